// Activation of in-process servers on the host. CLSIDFromProgID reads
// HKEY_CLASSES_ROOT\<ProgID>\CLSID (following CurVer when the ProgID names no
// class itself); CoGetClassObject reads the server's path from
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, loads it with the dynamic
// loader (once; it stays loaded until CoFreeUnusedLibraries finds it idle) and
// asks its DllGetClassObject.
#include "platform/host/objbase.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/host/registryStore.h"
#include "platform/host/utf.h"
#include "platform/winreg.h"

namespace {

// ProgIDs that point at one another through CurVer are followed this far.
constexpr int kMaxCurVerHops = 8;
// A registry string this long is no ProgID, class id or path.
constexpr DWORD kMaxValueBytes = 4096;

struct LoadedServer {
  void* handle;
  LPFNGETCLASSOBJECT getClassObject;
  LPFNCANUNLOADNOW canUnloadNow;
};

std::mutex serversLock;
std::map<std::string, LoadedServer>& Servers() {
  static std::map<std::string, LoadedServer> servers;
  return servers;
}

// The default value of HKEY_CLASSES_ROOT\<path> as text.
bool ReadDefaultValue(const std::u16string& path, std::u16string& text) {
  return zolm_platform::registry::readText(HKEY_CLASSES_ROOT, path, nullptr, kMaxValueBytes, text);
}

// The loaded server at `path`, loading it on first use.
HRESULT ServerAt(const std::string& path, LoadedServer& server) {
  std::lock_guard<std::mutex> hold(serversLock);
  auto found = Servers().find(path);
  if (found != Servers().end()) {
    server = found->second;
    return S_OK;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  LoadedServer loaded{handle,
                      reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject")),
                      reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(handle, "DllCanUnloadNow"))};
  if (loaded.getClassObject == nullptr) {
    dlclose(handle);
    return CO_E_ERRORINDLL;
  }
  Servers()[path] = loaded;
  server = loaded;
  return S_OK;
}

}  // namespace

extern "C" {

HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
  if (progId == nullptr || clsid == nullptr) return E_INVALIDARG;
  std::u16string name(progId);
  for (int hop = 0; hop <= kMaxCurVerHops; ++hop) {
    if (name.empty() || name.find(u'\\') != std::u16string::npos) return CO_E_CLASSSTRING;
    std::u16string text;
    if (ReadDefaultValue(name + u"\\CLSID", text)) {
      if (text.empty() || text[0] != u'{') return CO_E_CLASSSTRING;
      return CLSIDFromString(text.c_str(), clsid);
    }
    std::u16string current;
    if (!ReadDefaultValue(name + u"\\CurVer", current) || current == name) break;
    name = current;
  }
  return CO_E_CLASSSTRING;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if ((context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  OLECHAR classText[CHARS_IN_GUID];
  StringFromGUID2(clsid, classText, CHARS_IN_GUID);
  std::u16string path;
  if (!ReadDefaultValue(u"CLSID\\" + std::u16string(classText) + u"\\InprocServer32", path) ||
      path.empty())
    return REGDB_E_CLASSNOTREG;
  LoadedServer server{};
  // Unpaired surrogates become U+FFFD in the loader's UTF-8 path.
  HRESULT hr = ServerAt(zolm_platform::utf16ToUtf8(path.data(), path.size()), server);
  if (FAILED(hr)) return hr;
  return server.getClassObject(clsid, iid, out);
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  void* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, &factory);
  if (FAILED(hr)) return hr;
  IClassFactory* classFactory = static_cast<IClassFactory*>(factory);
  hr = classFactory->CreateInstance(outer, iid, out);
  classFactory->Release();
  return hr;
}

void CoFreeUnusedLibraries() {
  std::lock_guard<std::mutex> hold(serversLock);
  for (auto it = Servers().begin(); it != Servers().end();) {
    LoadedServer& server = it->second;
    if (server.canUnloadNow != nullptr && server.canUnloadNow() == S_OK) {
      dlclose(server.handle);
      it = Servers().erase(it);
    } else {
      ++it;
    }
  }
}

}  // extern "C"
