// VirtualAlloc and VirtualFree over anonymous mappings. The platform frees a
// block by its address alone, so the size of every live block is kept in a
// table under a lock.
#include "platform/host/memoryapi.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/host/fileapi.h"

namespace {

constexpr size_t kLargePage = size_t{2} << 20;

std::mutex& blockLock() {
  static std::mutex lock;
  return lock;
}

std::unordered_map<uintptr_t, size_t>& blockSizes() {
  static std::unordered_map<uintptr_t, size_t> sizes;
  return sizes;
}

size_t pageSize() {
  static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

// A mapping of `bytes` (a multiple of the page size); blocks of a large
// page or more start on a large-page boundary and are offered large pages.
void* mapBlock(size_t bytes) {
  if (bytes < kLargePage) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
  }
  if (bytes > SIZE_MAX - kLargePage) return nullptr;
  const size_t span = bytes + kLargePage;
  void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  const uintptr_t end = aligned + bytes;
  if (start + span > end) munmap(reinterpret_cast<void*>(end), start + span - end);
  void* block = reinterpret_cast<void*>(aligned);
  // Only advice: without large pages the block still works, page by page.
  madvise(block, bytes, MADV_HUGEPAGE);
  return block;
}

}  // namespace

extern "C" {

LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType, DWORD flProtect) {
  const DWORD both = MEM_COMMIT | MEM_RESERVE;
  if (lpAddress != nullptr || dwSize == 0 || (flAllocationType & both) != both ||
      (flAllocationType & ~both) != 0 || flProtect != PAGE_READWRITE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const size_t page = pageSize();
  if (dwSize > SIZE_MAX - page) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const size_t bytes = (static_cast<size_t>(dwSize) + page - 1) / page * page;
  void* block = mapBlock(bytes);
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  try {
    std::lock_guard<std::mutex> hold(blockLock());
    blockSizes()[reinterpret_cast<uintptr_t>(block)] = bytes;
  } catch (...) {
    munmap(block, bytes);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return block;
}

BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType) {
  if (lpAddress == nullptr || dwSize != 0 || dwFreeType != MEM_RELEASE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  size_t bytes = 0;
  {
    std::lock_guard<std::mutex> hold(blockLock());
    auto found = blockSizes().find(reinterpret_cast<uintptr_t>(lpAddress));
    if (found == blockSizes().end()) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
    bytes = found->second;
    blockSizes().erase(found);
  }
  munmap(lpAddress, bytes);
  return TRUE;
}

}  // extern "C"
