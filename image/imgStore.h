// cImgStore: the pixel rows of a picture, row 0 at the top, each row a
// zero-filled buffer of rowBytes bytes of its own; a non-owning palette link.
#pragma once

#include <cstddef>
#include <cstdint>

class cPalette;

class cImgStore {
 public:
  cImgStore(int32_t rowCount, int32_t width, int32_t bitsPerPixel);
  virtual ~cImgStore();
  cImgStore(const cImgStore&) = delete;
  cImgStore& operator=(const cImgStore&) = delete;

  // Copies rowBytes bytes into row `index`; ignored when failed or out of range.
  void setRow(const uint8_t* data, int32_t index);
  // Row `index` for reading and writing in place, or null.
  uint8_t* getRow(int32_t index) const;

  int32_t failed = 0;
  int32_t rowCount = 0;
  int32_t width = 0;
  int32_t bitsPerPixel = 0;
  int32_t rowBytes = 0;
  uint8_t** rows = nullptr;
  cPalette* palette = nullptr;  // not owned

 protected:
  // A store over rows that something else owns and outlives it: rowCount
  // rows of rowBytes bytes, `stride` bytes apart from firstRow on. Only the
  // table of row pointers is the store's own.
  cImgStore(int32_t rowCount, int32_t width, int32_t bitsPerPixel, uint8_t* firstRow, size_t stride);

 private:
  bool obtainRowTable();
  bool obtainRowsInOneBlock();
  void obtainRowsOneByOne();

  // The rows laid end to end in one block, when it could be obtained;
  // otherwise every row is an allocation of its own.
  uint8_t* block = nullptr;
  bool blockFromSystem = false;
  bool rowsBorrowed = false;
};

// Stores of at least this many bytes take their block straight from the
// system (whole pages, zero until written, large pages where the system has
// them); smaller ones from the heap.
constexpr int64_t kImgSystemBlockBytes = int64_t{1} << 20;

// (width * bitsPerPixel + 7) / 8 computed in 64 bits; -1 when it does not fit
// a signed 32-bit byte count or an argument is negative.
inline int64_t imgRowBytes(int64_t width, int64_t bitsPerPixel) {
  if (width < 0 || bitsPerPixel < 0) return -1;
  if (bitsPerPixel != 0 && width > (INT64_MAX - 7) / bitsPerPixel) return -1;
  const int64_t bytes = (width * bitsPerPixel + 7) / 8;
  return bytes > INT32_MAX ? -1 : bytes;
}

// (width * bitsPerPixel + 7) / 8 rounded up to a multiple of `alignment`
// bytes (BMP rows are padded to 4); -1 when it does not fit a signed 32-bit
// byte count, an argument is negative or alignment is not positive.
inline int64_t imgPaddedRowBytes(int64_t width, int64_t bitsPerPixel, int64_t alignment) {
  if (alignment <= 0) return -1;
  int64_t bytes = imgRowBytes(width, bitsPerPixel);
  if (bytes < 0) return -1;
  bytes = (bytes + alignment - 1) / alignment * alignment;
  return bytes > INT32_MAX ? -1 : bytes;
}

// Limits on the pictures the readers build a pixel store for.
// At most 2^28 pixels (16384 x 16384): a 24-bit store of that size takes
// 768 MiB, which is as much as a 32-bit process can hope to obtain; every
// row counts as at least one pixel so that a picture of width 0 cannot ask
// for an unbounded row table.
constexpr int64_t kImgMaxPixels = int64_t{1} << 28;
// A store of up to 16 MiB is allowed whatever the file's length...
constexpr int64_t kImgAnyFileStoreBytes = int64_t{16} << 20;
// ...a larger one only up to 1024 bytes per byte of the file. Real pictures
// stay far below that (raw data expands at most 8 times, run-length coding of
// 1-bit planes about 250 times), while a tiny file with a forged header cannot
// make the reader allocate gigabytes.
constexpr int64_t kImgStoreBytesPerFileByte = 1024;
// What one row costs beyond its pixels: its pointer and the allocation's
// bookkeeping.
constexpr int64_t kImgRowOverheadBytes = 32;

// True when a store of `rows` rows of `width` pixels at `bytesPerPixel`
// bytes each stays within the limits above for a file of fileBytes bytes.
bool imgStoreAllowed(int64_t width, int64_t rows, int64_t bytesPerPixel, int64_t fileBytes);
