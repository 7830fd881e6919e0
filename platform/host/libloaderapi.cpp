// Module and resource access on Linux. Files mapped as data are remembered
// with their mapping and their resource block; a module handle is resolved to
// its file through dladdr.
#include "platform/host/libloaderapi.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host/fileapi.h"

namespace {

// A file mapped as data: the handle given out, the mapping, and where its
// resource block lies in it (null when it has none).
struct DataFile {
  HMODULE handle;
  void* mapping;
  size_t length;
  const uint8_t* block;
  size_t blockBytes;
};

std::mutex dataFilesLock;
std::vector<DataFile> dataFiles;

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

uint32_t Le32(const uint8_t* p) {
  return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

const size_t kBlockHeaderBytes = 16;
const size_t kEntryBytes = 16;

// The block's own size when `bytes` (at most `available` long) begin a
// well-formed resource block whose every offset stays inside it; 0 otherwise.
size_t CheckedBlock(const uint8_t* bytes, size_t available) {
  if (available < kBlockHeaderBytes || std::memcmp(bytes, "ZOLMRSRC", 8) != 0) return 0;
  const size_t size = Le32(bytes + 8), count = Le32(bytes + 12);
  if (size > available || count > (size - kBlockHeaderBytes) / kEntryBytes) return 0;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kBlockHeaderBytes + i * kEntryBytes;
    const size_t type = Le32(bytes + at), data = Le32(bytes + at + 8), length = Le32(bytes + at + 12);
    if (type >= size || std::memchr(bytes + type, '\0', size - type) == nullptr) return 0;
    if (data > size - at || length > size - at - data) return 0;
  }
  return size;
}

// The resource block of a file mapped as data, or null when it has none.
// Resources are read from files mapped as data only, as the callers do.
const uint8_t* ResourceBlockOf(HMODULE module) {
  std::lock_guard<std::mutex> guard(dataFilesLock);
  for (const DataFile& file : dataFiles)
    if (file.handle == module) return file.block;
  return nullptr;
}

// The resource section of an ELF file held in memory: true with the block
// (null when the file has no such section), false when the file is not a
// well-formed ELF object of either class.
template <typename Header, typename Section>
bool FindResourceSection(const uint8_t* file, size_t length, const uint8_t** block, size_t* blockBytes) {
  if (length < sizeof(Header)) return false;
  Header header;
  std::memcpy(&header, file, sizeof header);
  if (header.e_shentsize != sizeof(Section) || header.e_shoff > length ||
      header.e_shnum > (length - header.e_shoff) / sizeof(Section) || header.e_shstrndx >= header.e_shnum)
    return false;
  auto sectionAt = [&](size_t index) {
    Section section;
    std::memcpy(&section, file + header.e_shoff + index * sizeof(Section), sizeof section);
    return section;
  };
  const Section names = sectionAt(header.e_shstrndx);
  if (names.sh_offset > length || names.sh_size > length - names.sh_offset) return false;
  const char* nameText = reinterpret_cast<const char*>(file + names.sh_offset);
  const size_t wantedLength = sizeof ZOLM_RESOURCE_SECTION;  // with its terminator
  for (size_t i = 0; i < header.e_shnum; ++i) {
    const Section section = sectionAt(i);
    if (section.sh_name > names.sh_size || names.sh_size - section.sh_name < wantedLength ||
        std::memcmp(nameText + section.sh_name, ZOLM_RESOURCE_SECTION, wantedLength) != 0)
      continue;
    if (section.sh_type == SHT_NOBITS || section.sh_offset > length || section.sh_size > length - section.sh_offset)
      return false;
    const uint8_t* start = file + section.sh_offset;
    const size_t size = CheckedBlock(start, static_cast<size_t>(section.sh_size));
    if (size == 0) return false;
    *block = start;
    *blockBytes = size;
    return true;
  }
  return true;
}

// Maps a file as data, never through the dynamic loader; null with the last
// error set when it cannot be read or is not an ELF object.
HMODULE MapDataFile(const char* fileName) {
  const int fd = open(fileName, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    return nullptr;
  }
  struct stat status;
  void* mapping = MAP_FAILED;
  size_t length = 0;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0 &&
      static_cast<uint64_t>(status.st_size) <= SIZE_MAX) {
    length = static_cast<size_t>(status.st_size);
    mapping = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
  }
  close(fd);
  if (mapping == MAP_FAILED) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  const uint8_t* file = static_cast<const uint8_t*>(mapping);
  const uint8_t* block = nullptr;
  size_t blockBytes = 0;
  bool wellFormed = length >= EI_NIDENT && std::memcmp(file, ELFMAG, SELFMAG) == 0 && file[EI_DATA] == ELFDATA2LSB;
  if (wellFormed && file[EI_CLASS] == ELFCLASS64)
    wellFormed = FindResourceSection<Elf64_Ehdr, Elf64_Shdr>(file, length, &block, &blockBytes);
  else if (wellFormed && file[EI_CLASS] == ELFCLASS32)
    wellFormed = FindResourceSection<Elf32_Ehdr, Elf32_Shdr>(file, length, &block, &blockBytes);
  else
    wellFormed = false;
  if (!wellFormed) {
    munmap(mapping, length);
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  // The mapping starts on a page, so its address plus 1 is no loaded module.
  HMODULE handle = reinterpret_cast<HMODULE>(static_cast<uint8_t*>(mapping) + 1);
  try {
    std::lock_guard<std::mutex> guard(dataFilesLock);
    dataFiles.push_back(DataFile{handle, mapping, length, block, blockBytes});
  } catch (...) {
    munmap(mapping, length);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return handle;
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
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE, DWORD flags) {
  if (fileName == nullptr || *fileName == '\0' || !(flags & LOAD_LIBRARY_AS_DATAFILE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return MapDataFile(fileName);
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard<std::mutex> guard(dataFilesLock);
  for (size_t i = 0; i < dataFiles.size(); ++i) {
    if (dataFiles[i].handle != module) continue;
    munmap(dataFiles[i].mapping, dataFiles[i].length);
    dataFiles.erase(dataFiles.begin() + static_cast<std::ptrdiff_t>(i));
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
  const uint8_t* block = ResourceBlockOf(module);
  if (block == nullptr) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  bool typeSeen = false;
  const uint32_t count = Le32(block + 12);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = block + kBlockHeaderBytes + i * kEntryBytes;
    const char* entryType = reinterpret_cast<const char*>(block + Le32(entry));
    if (!IdentifierMatches(type, entryType, 0)) continue;
    typeSeen = true;
    if (IdentifierMatches(name, nullptr, static_cast<WORD>(Le32(entry + 4)))) {
      return reinterpret_cast<HRSRC>(const_cast<uint8_t*>(entry));
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
  uint8_t* entry = reinterpret_cast<uint8_t*>(resource);
  return entry + Le32(entry + 8);
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  if (resource == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return Le32(reinterpret_cast<const uint8_t*>(resource) + 12);
}

BOOL DisableThreadLibraryCalls(HMODULE) { return TRUE; }

}  // extern "C"
