// The registrar: its replacement table and the loading of a script from the
// resources of a module file, which it maps as data, copies with a
// terminator (a stored script has none) and hands to a CRegScriptParser.
#include "server/registrar/regObject.h"

#include <cstring>

#include "platform/fileapi.h"
#include "platform/libloaderapi.h"
#include "server/registrar/frameStrings.h"
#include "server/registrar/regScriptParser.h"
#include "server/registrar/textConversion.h"

namespace {

HRESULT LastErrorResult() {
  DWORD code = GetLastError();
  if (code == 0) return E_FAIL;
  return static_cast<HRESULT>((code & 0xFFFFu) | 0x80070000u);
}

// Releases a mapped module file on every way out.
class CMappedModule {
 public:
  explicit CMappedModule(HMODULE module) : module(module) {}
  ~CMappedModule() {
    if (module != nullptr) FreeLibrary(module);
  }
  CMappedModule(const CMappedModule&) = delete;
  CMappedModule& operator=(const CMappedModule&) = delete;
  HMODULE get() const { return module; }

 private:
  HMODULE module;
};

}  // namespace

CRegObject::~CRegObject() { replacements.RemoveAll(); }

HRESULT STDMETHODCALLTYPE CRegObject::QueryInterface(REFIID, void**) { return E_NOTIMPL; }
ULONG STDMETHODCALLTYPE CRegObject::AddRef() { return 1; }
ULONG STDMETHODCALLTYPE CRegObject::Release() { return 0; }

HRESULT STDMETHODCALLTYPE CRegObject::SetReplacement(LPCOLESTR name, LPCOLESTR value) {
  if (name == nullptr || value == nullptr) return E_INVALIDARG;
  CUtf16ToText converted(name);
  if (converted.get() == nullptr) return E_OUTOFMEMORY;
  return replacements.Add(converted.get(), value);
}

HRESULT STDMETHODCALLTYPE CRegObject::RemoveAllReplacements() {
  replacements.RemoveAll();
  return S_OK;
}

HRESULT CRegObject::RegisterResource(LPCOLESTR moduleFile, UINT resourceId,
                                     LPCOLESTR typeName) {
  return ApplyResourceById(moduleFile, resourceId, typeName, true);
}

HRESULT CRegObject::UnregisterResource(LPCOLESTR moduleFile, UINT resourceId,
                                       LPCOLESTR typeName) {
  return ApplyResourceById(moduleFile, resourceId, typeName, false);
}

HRESULT CRegObject::RegisterResourceByName(LPCOLESTR moduleFile, LPCOLESTR resourceName,
                                           LPCOLESTR typeName) {
  return ApplyResourceByName(moduleFile, resourceName, typeName, true);
}

HRESULT CRegObject::UnregisterResourceByName(LPCOLESTR moduleFile, LPCOLESTR resourceName,
                                             LPCOLESTR typeName) {
  return ApplyResourceByName(moduleFile, resourceName, typeName, false);
}

HRESULT CRegObject::ApplyResourceById(LPCOLESTR moduleFile, UINT resourceId,
                                      LPCOLESTR typeName, bool registering) {
  CUtf16ToText type(typeName);
  if (type.get() == nullptr) return E_OUTOFMEMORY;
  return ApplyScriptResource(moduleFile, MAKEINTRESOURCEA(resourceId), type.get(), registering);
}

HRESULT CRegObject::ApplyResourceByName(LPCOLESTR moduleFile, LPCOLESTR resourceName,
                                        LPCOLESTR typeName, bool registering) {
  if (resourceName == nullptr || typeName == nullptr) return E_INVALIDARG;
  CUtf16ToText name(resourceName);
  CUtf16ToText type(typeName);
  if (name.get() == nullptr || type.get() == nullptr) return E_OUTOFMEMORY;
  return ApplyScriptResource(moduleFile, name.get(), type.get(), registering);
}

HRESULT CRegObject::ApplyScriptResource(LPCOLESTR moduleFile, LPCSTR resource, LPCSTR type,
                                        bool registering) {
  return FrameGuard([&]() -> HRESULT {
    CUtf16ToText path(moduleFile);
    if (path.get() == nullptr) return E_OUTOFMEMORY;
    // Mapped as data: the file's code is never asked for anything.
    CMappedModule module(LoadLibraryExA(path.get(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (module.get() == nullptr) return LastErrorResult();
    HRSRC found = FindResourceA(module.get(), resource, type);
    if (found == nullptr) return LastErrorResult();
    HGLOBAL loaded = LoadResource(module.get(), found);
    if (loaded == nullptr) return LastErrorResult();
    DWORD size = SizeofResource(module.get(), found);
    if (size == 0xFFFFFFFFu) return E_OUTOFMEMORY;
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr && size != 0) return LastErrorResult();
    // The stored script has no terminator of its own; its bytes are taken as
    // they are, without any conversion.
    CFrameTempBuffer<char, 1024> copy;
    char* text = copy.TryAllocate(static_cast<size_t>(size) + 1);
    if (text == nullptr) return E_OUTOFMEMORY;
    if (size != 0) std::memcpy(text, bytes, size);
    text[size] = '\0';
    return ApplyScriptText(text, registering);
  });
}

HRESULT CRegObject::ApplyScriptText(LPCSTR text, bool registering) {
  return FrameGuard([&]() -> HRESULT {
    CRegScriptParser parser(replacements);
    return parser.ApplyScript(text, registering);
  });
}
