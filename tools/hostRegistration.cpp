// Registering libzolmcom.so into the host's in-process registry, as regsvr32
// does on Windows: load the library and call its DllRegisterServer.
#ifndef _WIN32
#include <dlfcn.h>
#include <unistd.h>

#include "tools/comSession.h"
#include "tools/scriptHost.h"

// The installed library relative to the command's directory (bin/ -> lib/),
// set by the install rules.
#ifndef ZOLM_INSTALLED_LIBRARY
#define ZOLM_INSTALLED_LIBRARY "../lib/libzolmcom.so.1"
#endif

namespace {

// The build tree keeps the library beside the command; an installed tree keeps
// it in lib/, found from the command's own place so that any prefix works.
std::string LibraryToLoad(const std::string& besideCommand) {
  if (access(besideCommand.c_str(), F_OK) == 0) return besideCommand;
  const size_t slash = besideCommand.rfind('/');
  const std::string directory =
      slash == std::string::npos ? std::string(".") : besideCommand.substr(0, slash);
  return directory + "/" ZOLM_INSTALLED_LIBRARY;
}

}  // namespace

HRESULT RegisterLibraryOnHost(const std::string& besideCommand, std::string& problem) {
  const std::string libraryPath = LibraryToLoad(besideCommand);
  void* library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();  // names the file and the cause
    problem = "cannot load the server library: " +
              (reason ? std::string(reason) : libraryPath + ": not loadable");
    if (libraryPath != besideCommand) problem += " (nor is there one at " + besideCommand + ")";
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  typedef HRESULT (*RegisterFunction)();
  RegisterFunction registerServer =
      reinterpret_cast<RegisterFunction>(dlsym(library, "DllRegisterServer"));
  if (registerServer == nullptr) {
    problem = libraryPath + " has no DllRegisterServer";
    return CO_E_ERRORINDLL;
  }
  const HRESULT hr = registerServer();
  if (FAILED(hr)) problem = FailureText("DllRegisterServer of " + libraryPath, hr);
  return hr;
}
#endif
