// LoadTypeLib on Linux. A type library here is the
// library's types in the compact form resources/generate_from_idl.py writes
// from the interface definitions at build time, held either in a file of its
// own, read whole in one buffered read, or as resource "TYPELIB" 1 of a shared
// object, as the platform keeps it in a DLL. Reading it parses no text: every
// count and string is bounded by the bytes that are there, and every
// description the service later relies on (parameter types and directions,
// references between types) is checked here. A missing, unreadable,
// oversized or malformed library gives TYPE_E_CANTLOADLIBRARY.
#include "platform/oleauto.h"

#include "platform/host/typeLib.h"
#include "platform/host/typelibLoad.h"
#include "platform/host/utf.h"
#include "platform/libloaderapi.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace typelib {

namespace {

// Largest type library accepted; the library's own is about a kilobyte.
constexpr size_t kMaxTypeLibSize = 1u << 20;
const unsigned char kMagic[6] = {'Z', 'T', 'L', 'B', 1, 0};

// A cursor over the library's bytes: little-endian numbers, strings as a
// 16-bit count of UTF-16 units followed by the units. A read past the end
// fails and leaves nothing half read.
class ByteReader {
 public:
  ByteReader(const unsigned char* data, size_t size) : p_(data), end_(data + size) {}
  bool atEnd() const { return p_ == end_; }

  bool bytes(void* out, size_t n) {
    if (static_cast<size_t>(end_ - p_) < n) return false;
    std::memcpy(out, p_, n);
    p_ += n;
    return true;
  }
  bool u8(uint8_t& v) { return bytes(&v, 1); }
  bool u16(uint16_t& v) {
    unsigned char b[2];
    if (!bytes(b, 2)) return false;
    v = static_cast<uint16_t>(b[0] | b[1] << 8);
    return true;
  }
  bool u32(uint32_t& v) {
    unsigned char b[4];
    if (!bytes(b, 4)) return false;
    v = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
        static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
  }
  bool guid(GUID& g) {
    uint32_t d1 = 0;
    uint16_t d2 = 0, d3 = 0;
    if (!u32(d1) || !u16(d2) || !u16(d3) || !bytes(g.Data4, 8)) return false;
    g.Data1 = d1;
    g.Data2 = d2;
    g.Data3 = d3;
    return true;
  }
  bool text(std::u16string& out) {
    uint16_t units = 0;
    if (!u16(units) || static_cast<size_t>(end_ - p_) / 2 < units) return false;
    out.resize(units);
    for (size_t i = 0; i < units; ++i, p_ += 2) out[i] = static_cast<char16_t>(p_[0] | p_[1] << 8);
    return true;
  }

 private:
  const unsigned char* p_;
  const unsigned char* end_;
};

// Whether a parameter of this type may go in this direction, as the call
// through the slot passes it: a BSTR goes in, BSTR* and VARIANT_BOOL* come
// out, a VARIANT* either way; a return value is out only and comes last.
bool validParam(const ParamModel& p, bool last) {
  const bool in = (p.flags & PARAMFLAG_FIN) != 0;
  const bool out = (p.flags & PARAMFLAG_FOUT) != 0;
  const bool retval = (p.flags & PARAMFLAG_FRETVAL) != 0;
  if (p.flags & ~(PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL)) return false;
  if (retval && (!out || in || !last)) return false;
  switch (p.type) {
    case ParamType::Bstr: return in && !out;
    case ParamType::BstrPointer:
    case ParamType::BoolPointer: return out && !in;
    case ParamType::VariantPointer: return in || out;
  }
  return false;
}

bool readFunc(ByteReader& r, int slot, FuncModel& f) {
  uint32_t id = 0;
  uint8_t kind = 0, count = 0;
  if (!r.u32(id) || !r.u8(kind) || !r.u8(count) || !r.text(f.name) || !r.text(f.help))
    return false;
  if ((kind != INVOKE_FUNC && kind != INVOKE_PROPERTYGET) || count > kMaxParams) return false;
  f.id = static_cast<MEMBERID>(id);
  f.kind = static_cast<INVOKEKIND>(kind);
  f.slot = slot;
  for (uint8_t i = 0; i < count; ++i) {
    ParamModel p;
    uint8_t type = 0;
    if (!r.u8(type) || !r.u16(p.flags) || !r.text(p.name)) return false;
    if (type > static_cast<uint8_t>(ParamType::BoolPointer)) return false;
    p.type = static_cast<ParamType>(type);
    if (!validParam(p, i + 1 == count)) return false;
    f.params.push_back(std::move(p));
  }
  // A property read hands out exactly one value.
  return f.kind != INVOKE_PROPERTYGET ||
         (count == 1 && (f.params[0].flags & PARAMFLAG_FRETVAL));
}

bool readType(ByteReader& r, TypeModel& t) {
  uint8_t kind = 0;
  uint16_t funcs = 0, impls = 0;
  if (!r.u8(kind) || !r.u16(t.flags) || !r.guid(t.guid) || !r.text(t.name) || !r.text(t.help))
    return false;
  if (kind != TKIND_INTERFACE && kind != TKIND_COCLASS) return false;
  t.kind = static_cast<TYPEKIND>(kind);
  if (!r.u16(funcs)) return false;
  // Only interfaces have functions, in slot order after IDispatch's seven.
  if (funcs && t.kind != TKIND_INTERFACE) return false;
  for (uint16_t i = 0; i < funcs; ++i) {
    FuncModel f;
    if (!readFunc(r, kFirstDualSlot + i, f)) return false;
    t.funcs.push_back(std::move(f));
  }
  if (!r.u16(impls)) return false;
  if (impls && t.kind != TKIND_COCLASS) return false;
  for (uint16_t i = 0; i < impls; ++i) {
    uint16_t index = 0, flags = 0;
    if (!r.u16(index) || !r.u16(flags)) return false;
    t.impls.push_back(ImplModel{index, flags});
  }
  return true;
}

bool readLibrary(ByteReader& r, LibraryModel& lib) {
  unsigned char magic[sizeof kMagic];
  uint32_t lcid = 0;
  uint16_t count = 0;
  if (!r.bytes(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0) return false;
  if (!r.guid(lib.guid) || !r.u16(lib.majorVersion) || !r.u16(lib.minorVersion) || !r.u32(lcid) ||
      !r.u16(lib.flags) || !r.text(lib.name) || !r.text(lib.help) || !r.u16(count))
    return false;
  lib.lcid = lcid;
  for (uint16_t i = 0; i < count; ++i) {
    TypeModel t;
    if (!readType(r, t)) return false;
    lib.types.push_back(std::move(t));
  }
  // A coclass implements interfaces of the same library.
  for (const TypeModel& t : lib.types) {
    for (const ImplModel& impl : t.impls) {
      if (impl.typeIndex >= lib.types.size() || lib.types[impl.typeIndex].kind != TKIND_INTERFACE)
        return false;
    }
  }
  return r.atEnd();
}

enum class FileKind { Unreadable, SharedObject, Library };

// The whole file into `out`, unless it is a shared object (which is only
// recognised); Unreadable when it cannot be read or exceeds `limit`.
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
  return ok ? FileKind::Library : FileKind::Unreadable;
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
    if (data) hr = loadTypeLibFromBytes(data, size, out);
  }
  FreeLibrary(module);
  return hr;
}

}  // namespace

HRESULT loadTypeLibFromBytes(const void* data, size_t size, ITypeLib** out) noexcept {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!data || size > kMaxTypeLibSize) return TYPE_E_CANTLOADLIBRARY;
  try {
    LibraryModel model;
    ByteReader reader(static_cast<const unsigned char*>(data), size);
    if (!readLibrary(reader, model)) return TYPE_E_CANTLOADLIBRARY;
    return createTypeLib(std::move(model), out);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace typelib

extern "C" {

HRESULT WINAPI LoadTypeLib(const OLECHAR* szFile, ITypeLib** pptlib) {
  if (!pptlib) return E_INVALIDARG;
  *pptlib = nullptr;
  if (!szFile || !*szFile) return E_INVALIDARG;
  ITypeLib* lib = nullptr;
  HRESULT hr = S_OK;
  try {
    const std::string path = zolm_platform::utf16ToUtf8(szFile);
    std::string bytes;
    switch (typelib::readWholeFile(path, typelib::kMaxTypeLibSize, bytes)) {
      case typelib::FileKind::Unreadable:
        return TYPE_E_CANTLOADLIBRARY;
      case typelib::FileKind::SharedObject:
        hr = typelib::loadFromModule(path, &lib);
        break;
      case typelib::FileKind::Library:
        hr = typelib::loadTypeLibFromBytes(bytes.data(), bytes.size(), &lib);
        break;
    }
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  if (SUCCEEDED(hr)) *pptlib = lib;
  return hr;
}

}  // extern "C"
