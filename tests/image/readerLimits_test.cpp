// The readers' limits: a small file whose header claims a huge picture is
// refused with errMemory before any memory is spent on it, while pictures
// within the limits load. Every allocation made with operator new in this
// test program is counted, so the tests can assert how much a refused load
// obtained at its peak (no timings: what is bounded is the memory).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <malloc.h>

#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/pcx/pcxImg.h"
#include "tests/image/imageTestFiles.h"

// ---- allocation accounting ------------------------------------------------
namespace {
std::atomic<int64_t> liveBytes{0};
std::atomic<int64_t> peakBytes{0};

void* counted(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) return nullptr;
  const int64_t now = liveBytes += static_cast<int64_t>(malloc_usable_size(p));
  int64_t peak = peakBytes.load();
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
  }
  return p;
}
void uncounted(void* p) {
  if (!p) return;
  liveBytes -= static_cast<int64_t>(malloc_usable_size(p));
  std::free(p);
}
}  // namespace

void* operator new(size_t size) {
  void* p = counted(size);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, size_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t) noexcept { uncounted(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { uncounted(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { uncounted(p); }

namespace {

using testfiles::bmpFileHeader;
using testfiles::put16;
using testfiles::put32;
using testfiles::scratchPath;
using testfiles::wide;
using testfiles::writeFile;

// What a refused load may obtain: the file buffer, the headers, a palette of
// 256 entries and the bookkeeping around them.
constexpr int64_t kRefusedLoadBytes = 256 * 1024;

struct Measured {
  int32_t result;
  int64_t peakBytes;  // above what was live before the load
};

template <class Image>
Measured loadMeasured(Image& image, const std::string& path) {
  const std::u16string name = wide(path);
  const int64_t before = liveBytes.load();
  peakBytes = before;
  const int32_t result = image.loadFile(name.c_str());
  return {result, peakBytes.load() - before};
}

// A BMP file with an info header claiming width x height at `bits`, a
// palette where the depth has one, and `pixelBytes` bytes of pixel data.
std::vector<uint8_t> bmpClaiming(int32_t width, int32_t height, uint16_t bits, size_t pixelBytes,
                                 uint32_t compression = 0) {
  const uint32_t colours = bits <= 8 ? (1u << bits) : 0;
  std::vector<uint8_t> out = bmpFileHeader(0, 14 + 40 + 4 * colours);
  put32(out, 40);                           // biSize
  put32(out, static_cast<uint32_t>(width));
  put32(out, static_cast<uint32_t>(height));
  put16(out, 1);                            // biPlanes
  put16(out, bits);
  put32(out, compression);
  for (int i = 0; i < 5; ++i) put32(out, 0);  // biSizeImage .. biClrImportant
  out.resize(out.size() + 4 * colours + pixelBytes, 0x11);
  return out;
}

// A PCX file whose window is width x height, with `dataBytes` bytes of
// pixel data (a 256-colour file also gets its trailer).
std::vector<uint8_t> pcxClaiming(uint32_t width, uint32_t height, uint8_t bitsPerPlane, uint8_t planes,
                                 size_t dataBytes) {
  std::vector<uint8_t> out(128, 0);
  out[0] = 10;  // manufacturer
  out[1] = 5;   // version
  out[2] = 1;   // encoding
  out[3] = bitsPerPlane;
  out[8] = static_cast<uint8_t>(width - 1);  // xMax
  out[9] = static_cast<uint8_t>((width - 1) >> 8);
  out[10] = static_cast<uint8_t>(height - 1);  // yMax
  out[11] = static_cast<uint8_t>((height - 1) >> 8);
  out[65] = planes;
  const uint32_t bytesPerPlaneLine = (width * bitsPerPlane + 7) / 8;
  out[66] = static_cast<uint8_t>(bytesPerPlaneLine);
  out[67] = static_cast<uint8_t>(bytesPerPlaneLine >> 8);
  // Pixel data: runs of one zero byte (code 0xC1, value 0).
  for (size_t i = 0; i + 1 < dataBytes; i += 2) out.insert(out.end(), {0xC1, 0x00});
  if (bitsPerPlane * planes == 8) {
    out.push_back(0x0C);
    out.resize(out.size() + 768, 0x40);
  }
  return out;
}

TEST(ReaderLimits, NamedLimitsHoldTheirDocumentedValues) {
  // 2^28 pixels (16384 x 16384), 16 MiB of store whatever the file, then
  // 1024 bytes of store per byte of file.
  EXPECT_EQ(kImgMaxPixels, int64_t{16384} * 16384);
  EXPECT_EQ(kImgAnyFileStoreBytes, int64_t{16} << 20);
  EXPECT_EQ(kImgStoreBytesPerFileByte, 1024);
  EXPECT_TRUE(imgStoreAllowed(16384, 16384, 3, int64_t{1} << 30));
  EXPECT_FALSE(imgStoreAllowed(16385, 16384, 1, int64_t{1} << 40));
  EXPECT_FALSE(imgStoreAllowed(0, int64_t{1} << 29, 1, int64_t{1} << 40));
}

TEST(ReaderLimits, SmallBmpClaimingHugePictureIsRefusedWithLittleMemory) {
  struct Claim {
    int32_t width, height;
    uint16_t bits;
    uint32_t compression;
  };
  const Claim claims[] = {
      {30000, 30000, 8, 0},      // 900 MB of 8-bit pixels
      {16384, 16384, 24, 0},     // within the pixel limit, but 768 MiB from 1 KB
      {INT32_MAX, 1, 24, 0},     // a row that does not fit 32 bits
      {1, INT32_MAX, 8, 0},      // two thousand million rows
      {1, -INT32_MAX, 8, 0},     // the same rows stored top-down
      {20000, 20000, 4, 2},      // run-length coded, 400 MB
      {10000, 10000, 1, 0},      // 1 bit per pixel in the file, a byte in the store
      {100000000, 0, 4, 2},      // no rows, but a row buffer of 100 MB
      {671088640, 0, 1, 0},      // no rows, a row wider than 2^28 pixels
  };
  for (const Claim& claim : claims) {
    SCOPED_TRACE(std::to_string(claim.width) + " x " + std::to_string(claim.height) + " x " +
                 std::to_string(claim.bits));
    const std::string path = scratchPath("huge.bmp");
    writeFile(path, bmpClaiming(claim.width, claim.height, claim.bits, 64, claim.compression));
    cBmpImg image;
    const Measured load = loadMeasured(image, path);
    EXPECT_EQ(load.result, errMemory);
    EXPECT_EQ(image.errorCode, errMemory);
    EXPECT_TRUE(image.pixels == nullptr);
    EXPECT_LT(load.peakBytes, kRefusedLoadBytes);
  }
}

TEST(ReaderLimits, SmallPcxClaimingHugePictureIsRefusedWithLittleMemory) {
  struct Claim {
    uint32_t width, height;
    uint8_t bitsPerPlane, planes;
  };
  const Claim claims[] = {
      {65535, 65535, 8, 3},  // the largest window: 12 GiB of 24-bit pixels
      {65535, 65535, 1, 1},
      {16384, 16384, 8, 1},  // within the pixel limit, out of proportion to the file
      {65535, 8192, 1, 4},   // 16 colours, beyond 2^28 pixels
  };
  for (const Claim& claim : claims) {
    SCOPED_TRACE(std::to_string(claim.width) + " x " + std::to_string(claim.height));
    const std::string path = scratchPath("huge.pcx");
    writeFile(path, pcxClaiming(claim.width, claim.height, claim.bitsPerPlane, claim.planes, 64));
    cPcxImg image;
    const Measured load = loadMeasured(image, path);
    EXPECT_EQ(load.result, errMemory);
    EXPECT_TRUE(image.pixels == nullptr);
    EXPECT_LT(load.peakBytes, kRefusedLoadBytes);
  }
}

TEST(ReaderLimits, ForgedPaletteCountIsJudgedOnTheFileLength) {
  // A core header of 15 bits asks for 32768 palette entries of 3 bytes; a
  // file of a few dozen bytes cannot hold them, so nothing is allocated for
  // them and the read fails as a short palette.
  std::vector<uint8_t> file = bmpFileHeader(0, 26);
  put32(file, 12);  // bcSize
  put16(file, 4);   // bcWidth
  put16(file, 4);   // bcHeight
  put16(file, 1);   // bcPlanes
  put16(file, 15);  // bcBitCount
  file.resize(file.size() + 32, 0);
  const std::string path = scratchPath("palette.bmp");
  writeFile(path, file);
  cBmpImg image;
  const Measured load = loadMeasured(image, path);
  EXPECT_EQ(load.result, errRead);
  EXPECT_LT(load.peakBytes, kRefusedLoadBytes);
}

TEST(ReaderLimits, PicturesWithinTheLimitsLoad) {
  // 4000 x 4000 bytes is below the 16 MiB any file may ask for.
  {
    const std::string path = scratchPath("large.bmp");
    writeFile(path, bmpClaiming(4000, 4000, 8, 64));
    cBmpImg image;
    EXPECT_EQ(image.loadFile(wide(path).c_str()), errNone);
    ASSERT_TRUE(image.pixels != nullptr);
    EXPECT_EQ(image.pixels->failed, 0);
    EXPECT_EQ(image.pixels->rowCount, 4000);
  }
  // A 2-colour PCX picture of 8000 x 8000 whose runs compress 252 pixels
  // into 2 bytes: 64 MB of store from about 250 KB of file.
  {
    const uint32_t side = 8000;
    const uint32_t lineBytes = side / 8;                         // 1000
    const size_t pairsPerRow = (lineBytes + 62) / 63;            // runs of at most 63
    std::vector<uint8_t> file = pcxClaiming(side, side, 1, 1, 0);
    for (uint32_t y = 0; y < side; ++y) {
      uint32_t left = lineBytes;
      for (size_t k = 0; k < pairsPerRow; ++k) {
        const uint32_t run = left > 63 ? 63 : left;
        file.push_back(static_cast<uint8_t>(0xC0 | run));
        file.push_back(0xAA);
        left -= run;
      }
    }
    const std::string path = scratchPath("large.pcx");
    writeFile(path, file);
    cPcxImg image;
    EXPECT_EQ(image.loadFile(wide(path).c_str()), errNone);
    ASSERT_TRUE(image.pixels != nullptr);
    EXPECT_EQ(image.pixels->failed, 0);
    const uint8_t* last = image.pixels->getRow(static_cast<int32_t>(side) - 1);
    ASSERT_TRUE(last != nullptr);
    EXPECT_EQ(last[0], 1);  // 0xAA: pixels 1, 0, 1, 0, ...
    EXPECT_EQ(last[1], 0);
  }
}

}  // namespace
