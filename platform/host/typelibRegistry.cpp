// Registration of type libraries on Linux, in the in-process registry and in
// the platform's layout, so that the same keys appear on both sides:
//   HKCR\TypeLib\{libid}\maj.min            (default) help string or name
//   HKCR\TypeLib\{libid}\maj.min\lcid\win64 (default) the library's path
//                                            (win32 for a 32-bit library)
//   HKCR\TypeLib\{libid}\maj.min\FLAGS      (default) library flags, decimal
//   HKCR\TypeLib\{libid}\maj.min\HELPDIR    (default) help directory
//   HKCR\Interface\{iid}                    (default) interface name
//   HKCR\Interface\{iid}\ProxyStubClsid     (default) the automation marshaler
//   HKCR\Interface\{iid}\ProxyStubClsid32   (default) the same
//   HKCR\Interface\{iid}\TypeLib            (default) {libid}, Version maj.min
// Version and locale keys are in hexadecimal, as the platform writes them.
// LoadRegTypeLib finds a library only through these keys.
#include "platform/oleauto.h"

#include "platform/host/registryStore.h"
#include "platform/host/utf.h"
#include "platform/objbase.h"
#include "platform/winreg.h"

#include <cstdio>
#include <string>

namespace reg = zolm_platform::registry;

namespace {

const char16_t kMarshalerClsid[] = u"{00020424-0000-0000-C000-000000000046}";
// Longest path or text value read back; registry strings beyond it are refused.
constexpr DWORD kMaxValueBytes = 32768;

// A key below HKEY_CLASSES_ROOT, closed when it goes out of scope.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (handle_) reg::closeKey(handle_);
  }
  bool create(const std::u16string& path) {
    return reg::createKey(HKEY_CLASSES_ROOT, path, KEY_WRITE, &handle_, nullptr) == ERROR_SUCCESS;
  }
  bool open(const std::u16string& path) {
    return reg::openKey(HKEY_CLASSES_ROOT, path, KEY_READ, &handle_) == ERROR_SUCCESS;
  }
  bool setString(const char16_t* name, const std::u16string& value) {
    const auto* bytes = reinterpret_cast<const BYTE*>(value.c_str());
    std::vector<BYTE> data(bytes, bytes + (value.size() + 1) * sizeof(char16_t));
    return reg::setValue(handle_, name, REG_SZ, std::move(data)) == ERROR_SUCCESS;
  }
  // The name of subkey `index`; false past the last one.
  bool subkey(DWORD index, std::u16string& name) const {
    return reg::subkeyAt(handle_, index, &name) == ERROR_SUCCESS;
  }

 private:
  HKEY handle_ = nullptr;
};

std::u16string widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// "{28453262-FCFB-433B-9E37-896CFF19F74E}", as the registry names the key.
std::u16string guidKey(REFGUID guid) {
  OLECHAR text[CHARS_IN_GUID];
  StringFromGUID2(guid, text, CHARS_IN_GUID);
  return text;
}

std::u16string hexText(unsigned value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%x", value);
  return widen(buffer);
}

std::u16string versionPath(REFGUID libid, WORD major, WORD minor) {
  return u"TypeLib\\" + guidKey(libid) + u"\\" + hexText(major) + u"." + hexText(minor);
}

// The libraries here are of this machine's two kinds.
const char16_t* syskindName(SYSKIND kind) { return kind == SYS_WIN64 ? u"win64" : u"win32"; }

// Creates `path` and sets its default value.
bool writeKey(const std::u16string& path, const std::u16string& value) {
  Key key;
  return key.create(path) && key.setString(u"", value);
}

// The default string value of `path`.
bool readString(const std::u16string& path, std::u16string& out) {
  return reg::readText(HKEY_CLASSES_ROOT, path, nullptr, kMaxValueBytes, out);
}

void deleteIfEmpty(const std::u16string& path) {
  Key key;
  std::u16string first;
  if (key.open(path) && !key.subkey(0, first)) reg::deleteKey(HKEY_CLASSES_ROOT, path);
}

// The registered path of the library for `lcid`: that locale, its primary
// language, then the neutral locale. The library registers the version it
// is and this machine's system kind, and is looked for as such.
bool findPath(REFGUID libid, WORD major, WORD minor, LCID lcid, std::u16string& path) {
  const std::u16string version = versionPath(libid, major, minor);
  const char16_t* kind = syskindName(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  for (LCID candidate : {lcid, lcid & 0x3FF, LCID{0}}) {
    if (readString(version + u"\\" + hexText(candidate) + u"\\" + kind, path)) return true;
  }
  return false;
}

// Whether a type of the library gets an Interface key: interfaces that
// automation can marshal, and dispatch interfaces.
bool isAutomationInterface(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return false;
  const bool yes = attr->typekind == TKIND_DISPATCH ||
                   (attr->typekind == TKIND_INTERFACE &&
                    (attr->wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL)));
  info->ReleaseTypeAttr(attr);
  return yes;
}

HRESULT registerInterface(ITypeInfo* info, const std::u16string& libid,
                          const std::u16string& version) {
  TYPEATTR* attr = nullptr;
  HRESULT hr = info->GetTypeAttr(&attr);
  if (FAILED(hr)) return hr;
  const std::u16string path = u"Interface\\" + guidKey(attr->guid);
  info->ReleaseTypeAttr(attr);
  BSTR name = nullptr;
  hr = info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  const std::u16string nameText = name ? std::u16string(name) : std::u16string();
  SysFreeString(name);
  Key typeLibKey;
  const bool ok = writeKey(path, nameText) &&
                  writeKey(path + u"\\ProxyStubClsid", kMarshalerClsid) &&
                  writeKey(path + u"\\ProxyStubClsid32", kMarshalerClsid) &&
                  typeLibKey.create(path + u"\\TypeLib") && typeLibKey.setString(u"", libid) &&
                  typeLibKey.setString(u"Version", version);
  return ok ? S_OK : TYPE_E_REGISTRYACCESS;
}

// Removes Interface\{iid} when it names this library as its type library.
void unregisterInterface(ITypeInfo* info, const std::u16string& libid) {
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return;
  const std::u16string path = u"Interface\\" + guidKey(attr->guid);
  info->ReleaseTypeAttr(attr);
  std::u16string owner;
  if (!readString(path + u"\\TypeLib", owner)) return;
  if (!zolm_platform::sameNameIgnoringCase(owner, libid)) return;
  for (const char16_t* sub : {u"\\ProxyStubClsid", u"\\ProxyStubClsid32", u"\\TypeLib"})
    reg::deleteKey(HKEY_CLASSES_ROOT, path + sub);
  deleteIfEmpty(path);
}

HRESULT registerLibrary(ITypeLib* lib, const OLECHAR* path, const OLECHAR* helpDir) {
  TLIBATTR* attr = nullptr;
  HRESULT hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  const TLIBATTR a = *attr;
  lib->ReleaseTLibAttr(attr);

  BSTR name = nullptr;
  BSTR help = nullptr;
  hr = lib->GetDocumentation(-1, &name, &help, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  const std::u16string title = help ? std::u16string(help) : name ? std::u16string(name) : u"";
  SysFreeString(name);
  SysFreeString(help);

  const std::u16string libid = guidKey(a.guid);
  const std::u16string version = hexText(a.wMajorVerNum) + u"." + hexText(a.wMinorVerNum);
  const std::u16string versionKey = versionPath(a.guid, a.wMajorVerNum, a.wMinorVerNum);
  const bool ok =
      writeKey(versionKey, title) &&
      writeKey(versionKey + u"\\" + hexText(a.lcid) + u"\\" + syskindName(a.syskind), path) &&
      writeKey(versionKey + u"\\FLAGS", widen(std::to_string(static_cast<unsigned>(a.wLibFlags)))) &&
      writeKey(versionKey + u"\\HELPDIR", helpDir ? helpDir : u"");
  if (!ok) return TYPE_E_REGISTRYACCESS;

  const UINT count = lib->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    ITypeInfo* info = nullptr;
    if (FAILED(lib->GetTypeInfo(i, &info))) continue;
    hr = isAutomationInterface(info) ? registerInterface(info, libid, version) : S_OK;
    info->Release();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT unregisterLibrary(REFGUID libID, WORD major, WORD minor, LCID lcid, SYSKIND syskind) {
  const std::u16string versionKey = versionPath(libID, major, minor);
  const std::u16string lcidPath = versionKey + u"\\" + hexText(lcid);
  const std::u16string pathKey = lcidPath + u"\\" + syskindName(syskind);
  std::u16string path;
  if (!readString(pathKey, path)) return TYPE_E_REGISTRYACCESS;

  // The interfaces' keys go first, found through the library itself.
  ITypeLib* lib = nullptr;
  if (SUCCEEDED(LoadTypeLib(path.c_str(), &lib))) {
    const std::u16string libid = guidKey(libID);
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
      ITypeInfo* info = nullptr;
      if (FAILED(lib->GetTypeInfo(i, &info))) continue;
      if (isAutomationInterface(info)) unregisterInterface(info, libid);
      info->Release();
    }
    lib->Release();
  }

  reg::deleteKey(HKEY_CLASSES_ROOT, pathKey);
  deleteIfEmpty(lcidPath);
  // The version's own entries go once no locale of it is left.
  Key version;
  bool otherLocales = false;
  std::u16string sub;
  if (version.open(versionKey)) {
    for (DWORD index = 0; !otherLocales && version.subkey(index, sub); ++index)
      otherLocales = sub != u"FLAGS" && sub != u"HELPDIR";
  }
  if (!otherLocales) {
    reg::deleteKey(HKEY_CLASSES_ROOT, versionKey + u"\\FLAGS");
    reg::deleteKey(HKEY_CLASSES_ROOT, versionKey + u"\\HELPDIR");
    deleteIfEmpty(versionKey);
    deleteIfEmpty(u"TypeLib\\" + guidKey(libID));
  }
  return S_OK;
}

}  // namespace

extern "C" {

HRESULT WINAPI RegisterTypeLib(ITypeLib* ptlib, OLECHAR* szFullPath, OLECHAR* szHelpDir) {
  if (!ptlib || !szFullPath) return E_INVALIDARG;
  try {
    return registerLibrary(ptlib, szFullPath, szHelpDir);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT WINAPI UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                                 SYSKIND syskind) {
  try {
    return unregisterLibrary(libID, wVerMajor, wVerMinor, lcid, syskind);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT WINAPI LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                              ITypeLib** pptlib) {
  if (!pptlib) return E_INVALIDARG;
  *pptlib = nullptr;
  ITypeLib* lib = nullptr;
  try {
    std::u16string path;
    if (!findPath(rguid, wVerMajor, wVerMinor, lcid, path)) return TYPE_E_LIBNOTREGISTERED;
    const HRESULT hr = LoadTypeLib(path.c_str(), &lib);
    if (FAILED(hr)) return hr;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  // The file at the registered path must still be that library.
  TLIBATTR* attr = nullptr;
  HRESULT hr = lib->GetLibAttr(&attr);
  const bool same = SUCCEEDED(hr) && IsEqualGUID(attr->guid, rguid);
  if (SUCCEEDED(hr)) lib->ReleaseTLibAttr(attr);
  if (!same) {
    lib->Release();
    return FAILED(hr) ? hr : TYPE_E_LIBNOTREGISTERED;
  }
  *pptlib = lib;
  return S_OK;
}

}  // extern "C"
