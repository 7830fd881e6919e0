// The host's VirtualAlloc and VirtualFree: zero-filled blocks of any size,
// large blocks on a large-page boundary, and the platform's refusals.
#include "platform/memoryapi.h"

#include "platform/fileapi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

LPVOID commit(SIZE_T bytes) { return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }

bool allZero(const uint8_t* block, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i)
    if (block[i] != 0) return false;
  return true;
}

}  // namespace

TEST(VirtualMemory, BlocksAreZeroWritableAndReleasedOnce) {
  for (SIZE_T bytes : {SIZE_T{1}, SIZE_T{4097}, SIZE_T{3} << 20}) {
    auto* block = static_cast<uint8_t*>(commit(bytes));
    ASSERT_NE(block, nullptr) << bytes;
    EXPECT_TRUE(allZero(block, bytes)) << bytes;
    std::memset(block, 0xA5, bytes);
    EXPECT_EQ(block[bytes - 1], 0xA5);
    EXPECT_TRUE(VirtualFree(block, 0, MEM_RELEASE));
    SetLastError(0);
    EXPECT_FALSE(VirtualFree(block, 0, MEM_RELEASE)) << "released twice";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
  }
}

TEST(VirtualMemory, LargeBlocksStartOnALargePageBoundary) {
  const SIZE_T bytes = SIZE_T{5} << 20;
  LPVOID block = commit(bytes);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (uintptr_t{2} << 20), 0u);
  EXPECT_TRUE(VirtualFree(block, 0, MEM_RELEASE));
}

TEST(VirtualMemory, UnsupportedFormsAndImpossibleSizesAreRefused) {
  SetLastError(0);
  EXPECT_EQ(commit(0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_READWRITE), nullptr);
  EXPECT_EQ(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, 0x02), nullptr);
  SetLastError(0);
  EXPECT_EQ(commit(~SIZE_T{0}), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  LPVOID block = commit(4096);
  ASSERT_NE(block, nullptr);
  EXPECT_FALSE(VirtualFree(block, 4096, MEM_RELEASE)) << "a release names no size";
  EXPECT_FALSE(VirtualFree(nullptr, 0, MEM_RELEASE));
  EXPECT_TRUE(VirtualFree(block, 0, MEM_RELEASE));
}
