// Module and resource access on Linux, over the dynamic loader. Modules that
// LoadLibraryExA mapped are remembered with their loader handle and count so
// that FreeLibrary can unmap them; any other module handle is resolved to its
// file through dladdr.
#include "platform/host/libloaderapi.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host/fileapi.h"

#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#ifndef ERROR_BAD_EXE_FORMAT
#define ERROR_BAD_EXE_FORMAT 193L
#endif

namespace {

struct MappedModule {
  HMODULE base;
  void* handle;
  int count;
};

std::mutex mappedLock;
std::vector<MappedModule> mapped;

// The address at which the object holding `address` is mapped, or null.
HMODULE BaseOf(const void* address) {
  Dl_info info;
  if (address == nullptr || dladdr(address, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

int FirstObjectBase(dl_phdr_info* info, size_t, void* data) {
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type == PT_LOAD) {
      const void* address =
          reinterpret_cast<const void*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
      *static_cast<HMODULE*>(data) = BaseOf(address);
      return 1;
    }
  }
  return 1;
}

// The first object the loader lists is the program itself.
HMODULE ProgramBase() {
  HMODULE base = nullptr;
  dl_iterate_phdr(FirstObjectBase, &base);
  return base;
}

struct NameSearch {
  const char* name;
  HMODULE base;
};

bool NameMatches(const char* path, const char* name) {
  if (path == nullptr || *path == '\0') return false;
  if (std::strcmp(path, name) == 0) return true;
  const char* slash = std::strrchr(path, '/');
  return std::strchr(name, '/') == nullptr && slash != nullptr && std::strcmp(slash + 1, name) == 0;
}

int FindByName(dl_phdr_info* info, size_t, void* data) {
  NameSearch* search = static_cast<NameSearch*>(data);
  if (!NameMatches(info->dlpi_name, search->name)) return 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type == PT_LOAD) {
      search->base = BaseOf(reinterpret_cast<const void*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr));
      return 1;
    }
  }
  return 0;
}

bool ProgramPath(std::string& path) {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return false;
  path.assign(buffer, static_cast<size_t>(n));
  return true;
}

bool ModulePath(HMODULE module, std::string& path) {
  HMODULE program = ProgramBase();
  if (module == nullptr || module == program) return ProgramPath(path);
  Dl_info info;
  if (dladdr(module, &info) == 0 || info.dli_fname == nullptr) return false;
  if (info.dli_fbase == program || info.dli_fname[0] == '\0') return ProgramPath(path);
  if (info.dli_fname[0] == '/') {
    path = info.dli_fname;
    return true;
  }
  char* full = realpath(info.dli_fname, nullptr);
  if (full == nullptr) return false;
  path = full;
  std::free(full);
  return true;
}

// A resource name or type: a number (also written "#123") or text compared
// without regard to ASCII case.
bool IdentifierMatches(LPCSTR wanted, const char* text, WORD id) {
  if (IS_INTRESOURCE(wanted)) return text == nullptr && id == static_cast<WORD>(reinterpret_cast<ULONG_PTR>(wanted));
  if (wanted[0] == '#') {
    char* end = nullptr;
    unsigned long number = std::strtoul(wanted + 1, &end, 10);
    return end != wanted + 1 && *end == '\0' && number <= 0xFFFF && text == nullptr && id == number;
  }
  if (text == nullptr) return false;
  return strcasecmp(wanted, text) == 0;
}

// The resource table of a module, or null when it has none.
const ZolmResourceEntry* ResourceTableOf(HMODULE module) {
  HMODULE base = module != nullptr ? BaseOf(module) : ProgramBase();
  if (base == nullptr) return nullptr;
  void* handle = nullptr;
  if (base == ProgramBase()) {
    handle = dlopen(nullptr, RTLD_LAZY);
  } else {
    Dl_info info;
    if (dladdr(base, &info) == 0 || info.dli_fname == nullptr) return nullptr;
    handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  }
  if (handle == nullptr) return nullptr;
  void* symbol = dlsym(handle, ZOLM_RESOURCE_TABLE_NAME);
  // The lookup also searches what the module depends on: only the module's
  // own table counts.
  if (symbol != nullptr && BaseOf(symbol) != base) symbol = nullptr;
  // The module stays mapped by whoever mapped it; the table outlives this call.
  dlclose(handle);
  return static_cast<const ZolmResourceEntry*>(symbol);
}

}  // namespace

extern "C" {

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD capacity) {
  std::string path;
  if (!ModulePath(module, path)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (fileName == nullptr || capacity == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= capacity) {
    std::memcpy(fileName, path.data(), capacity - 1);
    fileName[capacity - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return capacity;
  }
  std::memcpy(fileName, path.c_str(), path.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

HMODULE GetModuleHandleA(LPCSTR name) {
  if (name == nullptr) return ProgramBase();
  NameSearch search{name, nullptr};
  dl_iterate_phdr(FindByName, &search);
  if (search.base == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
  return search.base;
}

HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE, DWORD) {
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (access(fileName, F_OK) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  void* handle = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  link_map* map = nullptr;
  HMODULE base = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) base = BaseOf(map->l_ld);
  if (base == nullptr) {
    dlclose(handle);
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(mappedLock);
  for (MappedModule& m : mapped) {
    if (m.base == base) {
      // The loader counts its own references; one dlclose per mapping.
      ++m.count;
      dlclose(handle);
      return base;
    }
  }
  mapped.push_back(MappedModule{base, handle, 1});
  return base;
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard<std::mutex> guard(mappedLock);
  for (size_t i = 0; i < mapped.size(); ++i) {
    if (mapped[i].base != module) continue;
    if (--mapped[i].count == 0) {
      dlclose(mapped[i].handle);
      mapped.erase(mapped.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return TRUE;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (name == nullptr || type == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const ZolmResourceEntry* table = ResourceTableOf(module);
  if (table == nullptr) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  bool typeSeen = false;
  for (const ZolmResourceEntry* e = table; e->data != nullptr; ++e) {
    if (!IdentifierMatches(type, e->type, e->typeId)) continue;
    typeSeen = true;
    if (IdentifierMatches(name, e->name, e->nameId)) {
      return reinterpret_cast<HRSRC>(const_cast<ZolmResourceEntry*>(e));
    }
  }
  SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (resource == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const ZolmResourceEntry* e = reinterpret_cast<const ZolmResourceEntry*>(resource);
  return const_cast<BYTE*>(e->data);
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  if (resource == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return reinterpret_cast<const ZolmResourceEntry*>(resource)->size;
}

BOOL DisableThreadLibraryCalls(HMODULE) { return TRUE; }

}  // extern "C"
