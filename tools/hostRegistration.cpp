// Registering libzolmcom.so into the host's in-process registry, as regsvr32
// does on Windows: load the library and call its DllRegisterServer.
#ifndef _WIN32
#include <dlfcn.h>

#include "platform/oleauto.h"
#include "platform/winreg.h"
#include "tools/comSession.h"
#include "tools/scriptHost.h"
#include "tools/toolText.h"

namespace {

bool SetDefaultValue(const std::basic_string<OLECHAR>& path,
                     const std::basic_string<OLECHAR>& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const bool ok =
      RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(OLECHAR))) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

// Stands in for DllRegisterServer while the library has none: the ProgID,
// class and server-path keys the activation needs, and the type library from
// the library's own resources.
HRESULT RegisterNarrowlyWithoutSelfRegistration(const std::string& libraryPath) {
  const wideString path = toWide(libraryPath);
  const struct {
    const OLECHAR* progId;
    const OLECHAR* clsid;
  } classes[] = {{OLESTR("zolmcom.PaletteLoader"), OLESTR("{74FCDF8C-45F4-4BAC-BDE0-68453741E8D2}")},
                 {OLESTR("Zolmcom.FontFile"), OLESTR("{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}")}};
  for (const auto& entry : classes) {
    const std::basic_string<OLECHAR> classKey =
        std::basic_string<OLECHAR>(OLESTR("CLSID\\")) + entry.clsid;
    if (!SetDefaultValue(std::basic_string<OLECHAR>(entry.progId) + OLESTR("\\CLSID"), entry.clsid) ||
        !SetDefaultValue(classKey + OLESTR("\\InprocServer32"), path))
      return E_FAIL;
  }
  ITypeLib* library = nullptr;
  HRESULT hr = LoadTypeLib(path.c_str(), &library);
  if (FAILED(hr)) return hr;
  std::basic_string<OLECHAR> pathCopy = path;
  hr = RegisterTypeLib(library, &pathCopy[0], nullptr);
  library->Release();
  return hr;
}

}  // namespace

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
  const HRESULT hr = registerServer != nullptr
                         ? registerServer()
                         : RegisterNarrowlyWithoutSelfRegistration(libraryPath);
  if (FAILED(hr)) problem = FailureText("registering " + libraryPath, hr);
  return hr;
}
#endif
