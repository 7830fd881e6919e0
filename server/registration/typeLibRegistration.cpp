// Finding, registering and unregistering the type library that the module
// carries: first from the module file itself (its "TYPELIB" resource), then
// from a ".tlb" file of the same name beside it.
#include "server/registration/selfRegistration.h"

#include <cstring>

#include "platform/libloaderapi.h"
#include "platform/oleauto.h"
#include "platform/winnls.h"
#include "server/registrar/frameStrings.h"
#include "server/registrar/textConversion.h"

namespace {

const DWORD kModulePathLimit = MAX_PATH;
const size_t kTypeLibPathCapacity = 270;
const size_t kHelpDirCapacity = 260;
const HRESULT kInsufficientBuffer = static_cast<HRESULT>(0x8007007A);

// What one registration call holds; released on every way out.
struct LoadedTypeLib {
  LoadedTypeLib() = default;
  ~LoadedTypeLib() {
    if (library != nullptr) library->Release();
    SysFreeString(path);
  }
  LoadedTypeLib(const LoadedTypeLib&) = delete;
  LoadedTypeLib& operator=(const LoadedTypeLib&) = delete;
  BSTR path = nullptr;
  ITypeLib* library = nullptr;
};

struct FreedString {
  ~FreedString() { SysFreeString(text); }
  BSTR text = nullptr;
};

}  // namespace

HRESULT LoadModuleTypeLib(HINSTANCE instance, LPCOLESTR index, BSTR* path, ITypeLib** typeLib) {
  if (path == nullptr || typeLib == nullptr) return E_POINTER;
  *path = nullptr;
  *typeLib = nullptr;

  char file[kTypeLibPathCapacity];
  DWORD length = GetModuleFileNameA(instance, file, kModulePathLimit);
  if (length == 0) return HResultFromLastError();
  if (length == kModulePathLimit) return kInsufficientBuffer;

  // The extension: the last "." after the last separator, else the end.
  char* extension = nullptr;
  for (char* p = file; *p != '\0'; p = CharNextA(p)) {
    if (*p == '\\' || *p == '/') extension = nullptr;
    if (*p == '.') extension = p;
  }
  if (extension == nullptr) extension = file + length;

  if (index != nullptr) {
    CUtf16ToText suffix(index);
    if (suffix.get() == nullptr) return E_OUTOFMEMORY;
    size_t suffixLength = std::strlen(suffix.get());
    if (suffixLength >= kTypeLibPathCapacity - length) return E_FAIL;
    std::memcpy(file + length, suffix.get(), suffixLength + 1);
  }

  CTextToUtf16 widePath(file);
  if (widePath.get() == nullptr) return E_OUTOFMEMORY;
  BSTR loadedFrom = nullptr;
  HRESULT hr = LoadTypeLib(widePath.get(), typeLib);
  if (SUCCEEDED(hr)) {
    loadedFrom = SysAllocString(widePath.get());
  } else {
    size_t offset = static_cast<size_t>(extension - file);
    if (offset + 5 > kModulePathLimit) return E_FAIL;
    std::memcpy(extension, ".tlb", 5);
    CTextToUtf16 besideModule(file);
    if (besideModule.get() == nullptr) return E_OUTOFMEMORY;
    hr = LoadTypeLib(besideModule.get(), typeLib);
    if (FAILED(hr)) return hr;
    loadedFrom = SysAllocString(besideModule.get());
  }
  if (loadedFrom == nullptr) {
    (*typeLib)->Release();
    *typeLib = nullptr;
    return E_OUTOFMEMORY;
  }
  *path = loadedFrom;
  return hr;
}

HRESULT RegisterModuleTypeLib(HINSTANCE instance, LPCOLESTR index) {
  LoadedTypeLib loaded;
  HRESULT hr = LoadModuleTypeLib(instance, index, &loaded.path, &loaded.library);
  if (FAILED(hr)) return hr;

  // The help directory: the library's help file up to its last separator.
  OLECHAR helpDir[kHelpDirCapacity];
  OLECHAR* helpDirectory = nullptr;
  FreedString helpFile;
  if (SUCCEEDED(loaded.library->GetDocumentation(-1, nullptr, nullptr, nullptr,
                                                 &helpFile.text))) {
    helpDir[0] = 0;
    if (helpFile.text != nullptr) {
      // A help file path too long for the buffer is a fault of the library
      // and raises E_INVALIDARG, reported as the registration's result.
      FrameCopyTextOrThrow(helpDir, kHelpDirCapacity, helpFile.text);
      helpDir[kHelpDirCapacity - 1] = 0;
      size_t cut = 0;
      for (size_t i = 0; helpDir[i] != 0; ++i) {
        if (helpDir[i] == '\\' || helpDir[i] == '/' || helpDir[i] == ':') cut = i + 1;
      }
      helpDir[cut] = 0;
    }
    helpDirectory = helpDir;
  }
  return RegisterTypeLib(loaded.library, loaded.path, helpDirectory);
}

HRESULT UnregisterModuleTypeLib(HINSTANCE instance, LPCOLESTR index) {
  LoadedTypeLib loaded;
  HRESULT hr = LoadModuleTypeLib(instance, index, &loaded.path, &loaded.library);
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = loaded.library->GetLibAttr(&attributes);
  if (FAILED(hr)) return hr;
  hr = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                         attributes->lcid, attributes->syskind);
  loaded.library->ReleaseTLibAttr(attributes);
  return hr;
}
