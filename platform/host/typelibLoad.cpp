// LoadTypeLib and LoadTypeLibEx on Linux. A type library here is the
// library's interface definitions as IDL text (resources/zolmcom.idl is the
// library's own), held either in a file of its own, read whole in one
// buffered read, or as resource "TYPELIB" 1 of a shared object, as the
// platform keeps it in a DLL. A missing, unreadable, oversized or malformed
// library gives TYPE_E_CANTLOADLIBRARY.
#include "platform/oleauto.h"

#include "platform/host/idlReader.h"
#include "platform/host/typeLib.h"
#include "platform/host/typelibLoad.h"
#include "platform/host/utf.h"
#include "platform/libloaderapi.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>

namespace typelib {

namespace {

enum class FileKind { Unreadable, SharedObject, Text };

// The whole file into `out`, unless it is a shared object (which is only
// recognised); Unreadable when it cannot be read or a text exceeds `limit`.
FileKind readWholeFile(const std::string& path, size_t limit, std::string& out) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FileKind::Unreadable;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0;
  char magic[4] = {};
  if (ok && ::pread(fd, magic, sizeof magic, 0) == sizeof magic &&
      std::memcmp(magic, "\x7F" "ELF", 4) == 0) {
    ::close(fd);
    return FileKind::SharedObject;
  }
  ok = ok && static_cast<unsigned long long>(st.st_size) <= limit;
  if (ok) {
    try {
      out.resize(static_cast<size_t>(st.st_size));
    } catch (...) {
      ok = false;
    }
  }
  size_t done = 0;
  while (ok && done < out.size()) {
    ssize_t n = ::read(fd, &out[done], out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  return ok ? FileKind::Text : FileKind::Unreadable;
}

// The "TYPELIB" resource 1 of a shared object.
HRESULT loadFromModule(const std::string& path, ITypeLib** out) {
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return TYPE_E_CANTLOADLIBRARY;
  HRESULT hr = TYPE_E_CANTLOADLIBRARY;
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(1), "TYPELIB");
  if (resource) {
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, resource);
    // The library keeps copies of what it reads, so the module may go.
    if (data) hr = loadTypeLibFromText(static_cast<const char*>(data), size, out);
  }
  FreeLibrary(module);
  return hr;
}

}  // namespace

HRESULT loadTypeLibFromText(const char* text, size_t length, ITypeLib** out) noexcept {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  try {
    LibraryModel model;
    HRESULT hr = readIdlLibrary(text, length, model);
    if (FAILED(hr)) return hr;
    return createTypeLib(std::move(model), out);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace typelib

extern "C" {

HRESULT WINAPI LoadTypeLib(const OLECHAR* szFile, ITypeLib** pptlib) {
  return LoadTypeLibEx(szFile, REGKIND_NONE, pptlib);
}

HRESULT WINAPI LoadTypeLibEx(LPCOLESTR szFile, REGKIND regkind, ITypeLib** pptlib) {
  if (!pptlib) return E_INVALIDARG;
  *pptlib = nullptr;
  if (!szFile || !*szFile) return E_INVALIDARG;
  ITypeLib* lib = nullptr;
  HRESULT hr = S_OK;
  try {
    const std::string path = zolm_platform::utf16ToUtf8(szFile);
    std::string text;
    switch (typelib::readWholeFile(path, typelib::kMaxIdlSize, text)) {
      case typelib::FileKind::Unreadable:
        return TYPE_E_CANTLOADLIBRARY;
      case typelib::FileKind::SharedObject:
        hr = typelib::loadFromModule(path, &lib);
        break;
      case typelib::FileKind::Text:
        hr = typelib::loadTypeLibFromText(text.data(), text.size(), &lib);
        break;
    }
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  if (FAILED(hr)) return hr;
  if (regkind == REGKIND_REGISTER) {
    hr = RegisterTypeLib(lib, const_cast<OLECHAR*>(szFile), nullptr);
    if (FAILED(hr)) {
      lib->Release();
      return hr;
    }
  }
  *pptlib = lib;
  return S_OK;
}

}  // extern "C"
