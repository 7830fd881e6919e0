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
#include "platform/host/typeLib.h"
#include "platform/objbase.h"
#include "platform/winreg.h"

#include <cstdio>
#include <string>

namespace {

const char16_t kMarshalerClsid[] = u"{00020424-0000-0000-C000-000000000046}";
// Longest path or text value read back; registry strings beyond it are refused.
constexpr DWORD kMaxValueBytes = 32768;

// A key handle closed when it goes out of scope.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (handle_) RegCloseKey(handle_);
  }
  HKEY* out() { return &handle_; }
  HKEY get() const { return handle_; }

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

std::u16string versionText(WORD major, WORD minor) {
  return hexText(major) + u"." + hexText(minor);
}

std::u16string libraryKeyPath(REFGUID libid) {
  return u"TypeLib\\" + guidKey(libid);
}

// The libraries here are of this machine's two kinds.
const char16_t* syskindName(SYSKIND kind) { return kind == SYS_WIN64 ? u"win64" : u"win32"; }

bool createKey(HKEY parent, const std::u16string& path, Key& key) {
  return RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                         nullptr, key.out(), nullptr) == ERROR_SUCCESS;
}

bool setString(HKEY key, const char16_t* name, const std::u16string& value) {
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(char16_t));
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        bytes) == ERROR_SUCCESS;
}

// Creates `path` below `parent` and sets its default value.
bool writeKey(HKEY parent, const std::u16string& path, const std::u16string& value) {
  Key key;
  return createKey(parent, path, key) && setString(key.get(), nullptr, value);
}

// The default (or named) string value of `path` below `parent`.
bool readString(HKEY parent, const std::u16string& path, const char16_t* name,
                std::u16string& out) {
  return zolm_platform::registry::readText(parent, path, name, kMaxValueBytes, out);
}

bool hasSubkeys(HKEY parent, const std::u16string& path) {
  Key key;
  if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return true;  // when in doubt, keep the key
  return subkeys != 0;
}

void deleteIfEmpty(HKEY parent, const std::u16string& path) {
  if (!hasSubkeys(parent, path)) RegDeleteKeyW(parent, path.c_str());
}

// Parses "maj.min" in hexadecimal.
bool parseVersion(const char16_t* text, unsigned& major, unsigned& minor) {
  unsigned* part = &major;
  major = minor = 0;
  bool digits = false;
  for (const char16_t* p = text; *p; ++p) {
    unsigned v;
    if (*p >= u'0' && *p <= u'9') v = *p - u'0';
    else if (*p >= u'a' && *p <= u'f') v = *p - u'a' + 10;
    else if (*p >= u'A' && *p <= u'F') v = *p - u'A' + 10;
    else if (*p == u'.' && part == &major && digits) {
      part = &minor;
      digits = false;
      continue;
    } else return false;
    *part = *part * 16 + v;
    if (*part > 0xFFFF) return false;
    digits = true;
  }
  return part == &minor && digits;
}

// The version key to use for major.minor: that one, or else the highest
// minor version above it with the same major version.
bool findVersionKey(REFGUID libid, WORD major, WORD minor, std::u16string& versionPath) {
  const std::u16string libPath = libraryKeyPath(libid);
  Key exact;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (libPath + u"\\" + versionText(major, minor)).c_str(), 0,
                    KEY_READ, exact.out()) == ERROR_SUCCESS) {
    versionPath = libPath + u"\\" + versionText(major, minor);
    return true;
  }
  Key lib;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, libPath.c_str(), 0, KEY_READ, lib.out()) != ERROR_SUCCESS)
    return false;
  int best = -1;
  for (DWORD index = 0;; ++index) {
    char16_t name[64];
    DWORD length = 64;
    const LSTATUS status =
        RegEnumKeyExW(lib.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;  // a name too long to be a version
    if (status != ERROR_SUCCESS) break;
    unsigned keyMajor = 0, keyMinor = 0;
    if (!parseVersion(name, keyMajor, keyMinor)) continue;
    if (keyMajor == major && keyMinor >= minor && static_cast<int>(keyMinor) > best)
      best = static_cast<int>(keyMinor);
  }
  if (best < 0) return false;
  versionPath = libPath + u"\\" + versionText(major, static_cast<WORD>(best));
  return true;
}

// The registered path of the library for `lcid`: that locale, its primary
// language, then the neutral locale; this machine's system kind first.
bool findPath(REFGUID libid, WORD major, WORD minor, LCID lcid, std::u16string& path) {
  std::u16string versionPath;
  if (!findVersionKey(libid, major, minor, versionPath)) return false;
  const LCID candidates[3] = {lcid, lcid & 0x3FF, 0};
  const char16_t* kinds[2] = {sizeof(void*) == 8 ? u"win64" : u"win32", u"win32"};
  for (LCID candidate : candidates) {
    for (const char16_t* kind : kinds) {
      const std::u16string key = versionPath + u"\\" + hexText(candidate) + u"\\" + kind;
      if (readString(HKEY_CLASSES_ROOT, key, nullptr, path)) return true;
    }
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
  const bool ok = writeKey(HKEY_CLASSES_ROOT, path, nameText) &&
                  writeKey(HKEY_CLASSES_ROOT, path + u"\\ProxyStubClsid", kMarshalerClsid) &&
                  writeKey(HKEY_CLASSES_ROOT, path + u"\\ProxyStubClsid32", kMarshalerClsid) &&
                  createKey(HKEY_CLASSES_ROOT, path + u"\\TypeLib", typeLibKey) &&
                  setString(typeLibKey.get(), nullptr, libid) &&
                  setString(typeLibKey.get(), u"Version", version);
  return ok ? S_OK : TYPE_E_REGISTRYACCESS;
}

// Removes Interface\{iid} when it names this library as its type library.
void unregisterInterface(ITypeInfo* info, const std::u16string& libid) {
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return;
  const std::u16string path = u"Interface\\" + guidKey(attr->guid);
  info->ReleaseTypeAttr(attr);
  std::u16string owner;
  if (!readString(HKEY_CLASSES_ROOT, path + u"\\TypeLib", nullptr, owner)) return;
  if (!typelib::sameNameIgnoringCase(owner.data(), owner.size(), libid.data(), libid.size()))
    return;
  for (const char16_t* sub : {u"\\ProxyStubClsid", u"\\ProxyStubClsid32", u"\\TypeLib"}) {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, (path + sub).c_str());
  }
  deleteIfEmpty(HKEY_CLASSES_ROOT, path);
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
  const std::u16string version = versionText(a.wMajorVerNum, a.wMinorVerNum);
  const std::u16string versionPath = libraryKeyPath(a.guid) + u"\\" + version;
  const std::u16string pathKey =
      versionPath + u"\\" + hexText(a.lcid) + u"\\" + syskindName(a.syskind);
  const bool ok =
      writeKey(HKEY_CLASSES_ROOT, versionPath, title) &&
      writeKey(HKEY_CLASSES_ROOT, pathKey, path) &&
      writeKey(HKEY_CLASSES_ROOT, versionPath + u"\\FLAGS",
               widen(std::to_string(static_cast<unsigned>(a.wLibFlags)))) &&
      writeKey(HKEY_CLASSES_ROOT, versionPath + u"\\HELPDIR", helpDir ? helpDir : u"");
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
  const std::u16string libPath = libraryKeyPath(libID);
  const std::u16string versionPath = libPath + u"\\" + versionText(major, minor);
  const std::u16string lcidPath = versionPath + u"\\" + hexText(lcid);
  const std::u16string pathKey = lcidPath + u"\\" + syskindName(syskind);
  std::u16string path;
  if (!readString(HKEY_CLASSES_ROOT, pathKey, nullptr, path)) return TYPE_E_REGISTRYACCESS;

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

  RegDeleteKeyW(HKEY_CLASSES_ROOT, pathKey.c_str());
  deleteIfEmpty(HKEY_CLASSES_ROOT, lcidPath);
  // The version's own entries go once no locale of it is left.
  Key version;
  bool otherLocales = false;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, versionPath.c_str(), 0, KEY_READ, version.out()) ==
      ERROR_SUCCESS) {
    for (DWORD index = 0; !otherLocales; ++index) {
      char16_t name[64];
      DWORD length = 64;
      const LSTATUS status = RegEnumKeyExW(version.get(), index, name, &length, nullptr, nullptr,
                                           nullptr, nullptr);
      if (status == ERROR_MORE_DATA) {
        otherLocales = true;  // some other subkey, with a long name
        break;
      }
      if (status != ERROR_SUCCESS) break;
      const std::u16string sub(name, length);
      otherLocales = sub != u"FLAGS" && sub != u"HELPDIR";
    }
  }
  if (!otherLocales) {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, (versionPath + u"\\FLAGS").c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, (versionPath + u"\\HELPDIR").c_str());
    deleteIfEmpty(HKEY_CLASSES_ROOT, versionPath);
    deleteIfEmpty(HKEY_CLASSES_ROOT, libPath);
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

HRESULT WINAPI QueryPathOfRegTypeLib(REFGUID guid, USHORT wMaj, USHORT wMin, LCID lcid,
                                     BSTR* lpbstrPathName) {
  if (!lpbstrPathName) return E_INVALIDARG;
  *lpbstrPathName = nullptr;
  try {
    std::u16string path;
    if (!findPath(guid, wMaj, wMin, lcid, path)) return TYPE_E_LIBNOTREGISTERED;
    *lpbstrPathName = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
    return *lpbstrPathName ? S_OK : E_OUTOFMEMORY;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT WINAPI LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                              ITypeLib** pptlib) {
  if (!pptlib) return E_INVALIDARG;
  *pptlib = nullptr;
  BSTR path = nullptr;
  HRESULT hr = QueryPathOfRegTypeLib(rguid, wVerMajor, wVerMinor, lcid, &path);
  if (FAILED(hr)) return hr;
  ITypeLib* lib = nullptr;
  hr = LoadTypeLib(path, &lib);
  SysFreeString(path);
  if (FAILED(hr)) return hr;
  // The file at the registered path must still be that library.
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) {
    lib->Release();
    return hr;
  }
  const bool same = IsEqualGUID(attr->guid, rguid);
  lib->ReleaseTLibAttr(attr);
  if (!same) {
    lib->Release();
    return TYPE_E_LIBNOTREGISTERED;
  }
  *pptlib = lib;
  return S_OK;
}

}  // extern "C"
