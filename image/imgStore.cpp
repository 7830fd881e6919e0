// cImgStore: the row table and every row are allocated up front and zeroed,
// so a reader that stops early leaves the remaining rows black. The rows
// lie end to end in one block when it can be had, one page fault per page
// of picture rather than heap bookkeeping per row.
#include "image/imgStore.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/memoryapi.h"

bool imgStoreAllowed(int64_t width, int64_t rows, int64_t bytesPerPixel, int64_t fileBytes) {
  if (width < 0 || rows < 0 || bytesPerPixel <= 0 || fileBytes < 0) return false;
  int64_t widthForCount = width > 0 ? width : 1;
  // A picture of no rows counts as one: the readers still hold a row buffer
  // of its width, which must not be larger than a row of a real picture.
  int64_t rowsForCount = rows > 0 ? rows : 1;
  if (widthForCount > kImgMaxPixels / rowsForCount) return false;
  // Both factors are now below 2^28 and 2^31, so nothing below overflows.
  int64_t rowBytes = imgRowBytes(width, 8 * bytesPerPixel);
  if (rowBytes < 0) return false;
  int64_t storeBytes = rowsForCount * (rowBytes + kImgRowOverheadBytes);
  if (storeBytes <= kImgAnyFileStoreBytes) return true;
  return storeBytes / kImgStoreBytesPerFileByte <= fileBytes;
}

cImgStore::cImgStore(int32_t newRowCount, int32_t newWidth, int32_t newBitsPerPixel)
    : rowCount(newRowCount), width(newWidth), bitsPerPixel(newBitsPerPixel) {
  // A size that does not fit 32 bits (or a negative width) makes the store
  // fail instead of wrapping.
  rowBytes = static_cast<int32_t>(imgRowBytes(newWidth, newBitsPerPixel));

  if (!obtainRowTable()) return;
  if (rowBytes < 0) {
    failed = 1;
    return;
  }
  if (newRowCount > 0 && !obtainRowsInOneBlock()) obtainRowsOneByOne();
}

cImgStore::cImgStore(int32_t newRowCount, int32_t newWidth, int32_t newBitsPerPixel, uint8_t* firstRow,
                     size_t stride)
    : rowCount(newRowCount), width(newWidth), bitsPerPixel(newBitsPerPixel), rowsBorrowed(true) {
  const int64_t bytes = imgRowBytes(newWidth, newBitsPerPixel);
  rowBytes = static_cast<int32_t>(bytes);
  if (bytes < 0 || !firstRow) {
    failed = 1;
    return;
  }
  if (!obtainRowTable()) return;
  for (int32_t i = 0; i < newRowCount; ++i) rows[i] = firstRow + stride * static_cast<size_t>(i);
}

// The table of row pointers, every entry null. A negative count, or one whose
// table cannot be addressed in 32 bits, is refused like a failed allocation.
bool cImgStore::obtainRowTable() {
  if (static_cast<uint32_t>(rowCount) >= (1u << 30)) {
    failed = 1;
    return false;
  }
  rows = new (std::nothrow) uint8_t*[rowCount > 0 ? rowCount : 1];
  if (!rows) {
    failed = 1;
    return false;
  }
  for (int32_t i = 0; i < rowCount; ++i) rows[i] = nullptr;
  return true;
}

// One block for all rows: one allocation instead of one a row, and rows
// that follow each other in memory. Rows of no bytes still get an address.
bool cImgStore::obtainRowsInOneBlock() {
  const uint64_t stride = rowBytes > 0 ? static_cast<uint64_t>(rowBytes) : 1;
  const uint64_t total = stride * static_cast<uint64_t>(rowCount);  // below 2^61
  if (total > SIZE_MAX) return false;
  const bool fromSystem = total >= static_cast<uint64_t>(kImgSystemBlockBytes);
  void* obtained = fromSystem ? VirtualAlloc(nullptr, static_cast<SIZE_T>(total),
                                             MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                              : std::calloc(static_cast<size_t>(total), 1);
  if (!obtained) return false;
  block = static_cast<uint8_t*>(obtained);
  blockFromSystem = fromSystem;
  for (int32_t i = 0; i < rowCount; ++i) rows[i] = block + static_cast<size_t>(stride) * i;
  return true;
}

// Without one block (a large store in a crowded 32-bit address space),
// rows are obtained one at a time; a row that cannot be obtained fails the
// store and the others stay allocated until the destructor.
void cImgStore::obtainRowsOneByOne() {
  for (int32_t i = 0; i < rowCount; ++i) {
    // calloc: memory fresh from the system is known to be zero and is not
    // cleared a second time.
    rows[i] = static_cast<uint8_t*>(std::calloc(rowBytes > 0 ? static_cast<size_t>(rowBytes) : 1, 1));
    if (!rows[i]) failed = 1;
  }
}

cImgStore::~cImgStore() {
  if (block) {
    if (blockFromSystem)
      VirtualFree(block, 0, MEM_RELEASE);
    else
      std::free(block);
  } else if (rows && !rowsBorrowed) {
    for (int32_t i = 0; i < rowCount; ++i) std::free(rows[i]);
  }
  delete[] rows;
}

void cImgStore::setRow(const uint8_t* data, int32_t index) {
  uint8_t* row = getRow(index);
  if (row && data) std::memcpy(row, data, static_cast<size_t>(rowBytes));
}

uint8_t* cImgStore::getRow(int32_t index) const {
  if (failed || index < 0 || index >= rowCount) return nullptr;
  return rows[index];
}
