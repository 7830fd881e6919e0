// Registering libzolmcom.so into the host's in-process registry, as regsvr32
// does on Windows: load the library and call its DllRegisterServer.
#ifndef _WIN32
#include <dlfcn.h>

#include "tools/comSession.h"
#include "tools/scriptHost.h"

HRESULT RegisterLibraryOnHost(const std::string& libraryPath, std::string& problem) {
  void* library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    problem = "cannot load " + libraryPath + (reason ? std::string(": ") + reason : "");
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
