// The component session of one command run: the thread's CoInitialize and,
// on the host, the registration of libzolmcom.so (found next to the command)
// into the in-process registry, as regsvr32 would do it on Windows. On
// Windows the library is registered beforehand with regsvr32.
#pragma once

#include <string>

#include "platform/wintypes.h"

class ComSession {
 public:
  ComSession();
  ~ComSession();
  ComSession(const ComSession&) = delete;
  ComSession& operator=(const ComSession&) = delete;

  // S_OK when objects can be created; otherwise what failed is in Problem().
  HRESULT Status() const { return status; }
  const std::string& Problem() const { return problem; }

 private:
  HRESULT status = S_OK;
  bool initialised = false;
  std::string problem;
};

// Host only: loads the library at `libraryPath` (beside the command, as in the
// build tree) or, when there is none, the installed one in lib/ beside the
// command's bin/, and registers it. Keeps the library loaded for the rest of
// the process.
HRESULT RegisterLibraryOnHost(const std::string& libraryPath, std::string& problem);
