// The command's component session: CoInitialize, and on the host the
// registration of the library next to the command.
#include "tools/comSession.h"

#include "platform/objbase.h"

#ifndef _WIN32
#include <unistd.h>

#include <climits>

namespace {

// The directory of the running command, from /proc/self/exe.
std::string CommandDirectory() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string text(path, static_cast<size_t>(length));
  const size_t slash = text.rfind('/');
  return slash == std::string::npos ? std::string(".") : text.substr(0, slash);
}

}  // namespace
#endif

ComSession::ComSession() {
  status = CoInitialize(nullptr);
  if (FAILED(status)) {
    problem = "the component runtime could not start";
    return;
  }
  initialised = true;
  status = S_OK;
#ifndef _WIN32
  status = RegisterLibraryOnHost(CommandDirectory() + "/libzolmcom.so", problem);
#endif
}

ComSession::~ComSession() {
  if (initialised) CoUninitialize();
}
