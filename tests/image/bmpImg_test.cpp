// BMP reading, header side: signature, header sizes, palettes as the bit
// count and biClrUsed give them, dimensions and the limits on them.
#include "image/bmp/bmpImg.h"

#include <gtest/gtest.h>

#include "image/imgStore.h"
#include "image/palette.h"
#include "tests/image/imageTestFiles.h"

using testfiles::bmpFileHeader;
using testfiles::bmpInfoFile;
using testfiles::loadBytes;
using testfiles::put16;
using testfiles::put32;

namespace {

std::vector<uint8_t> rgbOf(const cPalette* palette, int32_t index) {
  uint8_t rgb[3] = {0, 0, 0};
  if (!palette || !palette->getEntry(index, rgb)) return {};
  return {rgb[0], rgb[1], rgb[2]};
}

// A BMP whose header size field is `size`, followed by `size` - 4 bytes of
// a 1 x 1 8-bit info header and its palette (2 entries) and one pixel row.
std::vector<uint8_t> withHeaderSize(uint32_t size) {
  std::vector<uint8_t> bytes = bmpInfoFile(1, 1, 1, 0, 2, {0x80, 0, 0, 0});
  bytes[14] = static_cast<uint8_t>(size);
  if (size > 40) bytes.insert(bytes.begin() + 54, size - 40, 0xEE);
  const uint32_t offset = 14 + size + 8;
  bytes[10] = static_cast<uint8_t>(offset);
  return bytes;
}

}  // namespace

TEST(BmpHeader, WrongSignatureIsNotBmp) {
  const uint8_t bytes[] = {'B', 'N', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0};
  static_assert(sizeof bytes == 18, "file header and header size");
  cBmpImg image;
  EXPECT_EQ(loadBytes(image, "sig.bmp", bytes), errFormat);
  EXPECT_EQ(image.palette, nullptr);
  EXPECT_EQ(image.pixels, nullptr);
}

TEST(BmpHeader, FileHeaderAloneCannotBeRead) {
  const uint8_t bytes[] = {'B', 'M', 14, 0, 0, 0, 0, 0, 0, 0, 14, 0, 0, 0};
  static_assert(sizeof bytes == 14, "file header only");
  cBmpImg image;
  EXPECT_EQ(loadBytes(image, "only14.bmp", bytes), errRead);
  const uint8_t cut[] = {'B', 'M', 14, 0, 0};
  cBmpImg shorter;
  EXPECT_EQ(loadBytes(shorter, "cut.bmp", cut), errRead);
}

TEST(BmpHeader, MissingFileSetsNoErrorCode) {
  cBmpImg image;
  EXPECT_EQ(image.loadFile(testfiles::wide(testfiles::scratchPath("absent.bmp")).c_str()), errNone);
  EXPECT_EQ(image.getSystemError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(image.pixels, nullptr);
}

// The longer info-compatible headers are read like the 40-byte one, with the
// palette right after the whole header.
TEST(BmpHeader, LongerInfoHeadersReadLikeTheInfoHeader) {
  for (uint32_t size : {40u, 52u, 56u, 108u, 124u}) {
    cBmpImg image;
    EXPECT_EQ(loadBytes(image, "long.bmp", withHeaderSize(size)), errNone) << size;
    ASSERT_NE(image.palette, nullptr);
    EXPECT_EQ(rgbOf(image.palette, 1), (std::vector<uint8_t>{3, 2, 1})) << size;
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(image.pixels->getRow(0)[0], 1) << size;
  }
}

TEST(BmpHeader, OtherHeaderSizesAreNotSupported) {
  for (uint32_t size : {0u, 16u, 64u, 41u}) {
    cBmpImg image;
    EXPECT_EQ(loadBytes(image, "other.bmp", withHeaderSize(size)), errFormat) << size;
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.palette, nullptr);
  }
}

TEST(BmpHeader, TruncatedLongHeaderCannotBeRead) {
  std::vector<uint8_t> bytes = withHeaderSize(124);
  bytes.resize(14 + 100);
  cBmpImg image;
  EXPECT_EQ(loadBytes(image, "cut124.bmp", bytes), errRead);
}

TEST(BmpPalette, EightBitsReadAllEntriesInRedGreenBlueOrder) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "p8.bmp", bmpInfoFile(1, 1, 8, 0, 256, {7, 0, 0, 0})), errNone);
  EXPECT_EQ(image.colorCount, 256u);
  ASSERT_EQ(image.palette->count, 256);
  EXPECT_EQ(rgbOf(image.palette, 255), (std::vector<uint8_t>{(3 * 255) & 255, (2 * 255) & 255, 255}));
  EXPECT_EQ(image.pixels->palette, image.palette);
  EXPECT_EQ(image.pixels->getRow(0)[0], 7);
}

// Only the biClrUsed entries the file stores are read; the rest stay black
// and the pixels are still found through bfOffBits.
TEST(BmpPalette, ShortPaletteOfBiClrUsedEntries) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "used.bmp", bmpInfoFile(2, 1, 8, 0, 3, {2, 1, 0, 0}, 3)), errNone);
  EXPECT_EQ(image.colorCount, 256u);
  ASSERT_EQ(image.palette->count, 256);
  EXPECT_EQ(rgbOf(image.palette, 2), (std::vector<uint8_t>{6, 4, 2}));
  EXPECT_EQ(rgbOf(image.palette, 3), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(image.pixels->getRow(0)[0], 2);
  EXPECT_EQ(image.pixels->getRow(0)[1], 1);
}

// biClrUsed of 16 with all 256 entries present: only 16 are read; the
// pixels are taken from bfOffBits, not from right after those 16.
TEST(BmpPalette, BiClrUsedLimitsTheEntriesReadNotThePixelOffset) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "used16.bmp", bmpInfoFile(1, 1, 8, 0, 256, {200, 0, 0, 0}, 16)), errNone);
  EXPECT_EQ(rgbOf(image.palette, 15), (std::vector<uint8_t>{45, 30, 15}));
  EXPECT_EQ(rgbOf(image.palette, 16), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(image.pixels->getRow(0)[0], 200);
}

TEST(BmpPalette, CountFollowsTheBitCount) {
  cBmpImg one;
  ASSERT_EQ(loadBytes(one, "p1.bmp", bmpInfoFile(1, 1, 1, 0, 2, {0, 0, 0, 0})), errNone);
  EXPECT_EQ(one.colorCount, 2u);
  EXPECT_EQ(one.palette->count, 2);
  cBmpImg four;
  ASSERT_EQ(loadBytes(four, "p4.bmp", bmpInfoFile(1, 1, 4, 0, 16, {0, 0, 0, 0})), errNone);
  EXPECT_EQ(four.palette->count, 16);
  cBmpImg truecolour;
  ASSERT_EQ(loadBytes(truecolour, "p24.bmp", bmpInfoFile(1, 1, 24, 0, 0, {1, 2, 3, 0})), errNone);
  EXPECT_EQ(truecolour.colorCount, 0u);
  ASSERT_NE(truecolour.palette, nullptr);
  EXPECT_EQ(truecolour.palette->count, 0);
  EXPECT_EQ(truecolour.bytesPerPixel, 3);
}

// 16- and 32-bit pictures carry their colours in the pixels: no palette is
// read from their pixel bytes, which decode to red, green and blue.
TEST(BmpPalette, SixteenAndThirtyTwoBitsHaveNoPalette) {
  for (uint16_t bits : {16, 32}) {
    cBmpImg image;
    ASSERT_EQ(loadBytes(image, "p16.bmp", bmpInfoFile(2, 1, bits, 0, 0, std::vector<uint8_t>(8, 0xAB))),
              errNone);
    EXPECT_EQ(image.colorCount, 0u);
    ASSERT_NE(image.palette, nullptr);
    EXPECT_EQ(image.palette->count, 0);
    ASSERT_NE(image.pixels, nullptr);
    // 0xABAB as 5-5-5 is 10, 29, 11; 32 bits hold 0xAB three times.
    EXPECT_EQ(image.pixels->getRow(0)[0], bits == 16 ? 82 : 0xAB);
    EXPECT_EQ(image.pixels->getRow(0)[1], bits == 16 ? 239 : 0xAB);
    EXPECT_EQ(image.pixels->getRow(0)[2], bits == 16 ? 90 : 0xAB);
  }
}

TEST(BmpPalette, PaletteCutShortIsAReadError) {
  std::vector<uint8_t> bytes = bmpInfoFile(1, 1, 8, 0, 256, {0, 0, 0, 0});
  bytes.resize(54 + 10 * 4 + 2);
  cBmpImg image;
  EXPECT_EQ(loadBytes(image, "palcut.bmp", bytes), errRead);
  ASSERT_NE(image.palette, nullptr);
  EXPECT_EQ(rgbOf(image.palette, 9), (std::vector<uint8_t>{27, 18, 9}));
  EXPECT_EQ(rgbOf(image.palette, 10), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(image.pixels, nullptr);
}

namespace {

// Core header: 12 bytes, 16-bit width and height, 3-byte palette entries.
std::vector<uint8_t> coreFile(int16_t width, int16_t height, uint16_t bits, uint32_t colours,
                              const std::vector<uint8_t>& data) {
  const uint32_t offset = 14 + 12 + 3 * colours;
  std::vector<uint8_t> out = bmpFileHeader(offset + static_cast<uint32_t>(data.size()), offset);
  put32(out, 12);
  put16(out, static_cast<uint16_t>(width));
  put16(out, static_cast<uint16_t>(height));
  put16(out, 1);
  put16(out, bits);
  for (uint32_t i = 0; i < colours; ++i) {
    out.push_back(static_cast<uint8_t>(i));
    out.push_back(static_cast<uint8_t>(i + 1));
    out.push_back(static_cast<uint8_t>(i + 2));
  }
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

}  // namespace

TEST(BmpCore, EightBitsReadThreeByteEntries) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "core8.bmp", coreFile(2, 1, 8, 256, {9, 8, 0, 0})), errNone);
  EXPECT_EQ(image.colorCount, 256u);
  EXPECT_EQ(rgbOf(image.palette, 100), (std::vector<uint8_t>{102, 101, 100}));
  EXPECT_EQ(image.pixels->getRow(0)[0], 9);
  EXPECT_EQ(image.pixels->getRow(0)[1], 8);
}

TEST(BmpCore, SixteenBitsHaveNoPaletteAndNegativeSizesFollowTheSign) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "core16.bmp", coreFile(1, 1, 16, 0, {1, 2, 0, 0})), errNone);
  EXPECT_EQ(image.colorCount, 0u);
  EXPECT_EQ(image.palette, nullptr);
  cBmpImg negative;
  EXPECT_EQ(loadBytes(negative, "corewide.bmp", coreFile(-1, 1, 8, 256, {})), errFormat);
}

// 20 bits ask for a palette of 2^20 entries: the file is judged on its length
// before memory is spent on it.
TEST(BmpCore, PaletteLargerThanTheFileIsNotAllocated) {
  cBmpImg image;
  EXPECT_EQ(loadBytes(image, "core20.bmp", coreFile(1, 1, 20, 0, std::vector<uint8_t>(64, 0))), errRead);
  EXPECT_EQ(image.palette, nullptr);
  EXPECT_EQ(image.pixels, nullptr);
}

TEST(BmpDimensions, NegativeWidthIsRefused) {
  cBmpImg image;
  EXPECT_EQ(loadBytes(image, "negw.bmp", bmpInfoFile(-4, 1, 8, 0, 2, {0, 0, 0, 0}, 2)), errFormat);
  EXPECT_EQ(image.pixels, nullptr);
}

TEST(BmpDimensions, NegativeHeightIsTopDown) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "top.bmp", bmpInfoFile(3, -2, 8, 0, 2, {1, 2, 3, 0, 4, 5, 6, 0}, 2)), errNone);
  EXPECT_TRUE(image.topDown);
  EXPECT_EQ(image.height, 2);
  ASSERT_NE(image.pixels, nullptr);
  EXPECT_EQ(image.pixels->getRow(0)[0], 1);
  EXPECT_EQ(image.pixels->getRow(1)[2], 6);
  EXPECT_EQ(image.palette->count, 256);
}

TEST(BmpDimensions, RunLengthDataCannotBeTopDown) {
  for (uint32_t compression : {1u, 2u}) {
    cBmpImg image;
    EXPECT_EQ(loadBytes(image, "toprle.bmp", bmpInfoFile(2, -2, 8, compression, 2, {0, 1}, 2)), errFormat);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_NE(image.palette, nullptr);
  }
}

TEST(BmpDimensions, LargestNegativeHeightIsRefused) {
  cBmpImg image;
  EXPECT_EQ(loadBytes(image, "minh.bmp", bmpInfoFile(1, INT32_MIN, 8, 0, 2, {0, 0, 0, 0}, 2)), errMemory);
  EXPECT_EQ(image.pixels, nullptr);
}

// A header promising far more than the file holds gets errMemory before the
// store is built.
TEST(BmpDimensions, PictureOutOfProportionToTheFileIsRefused) {
  cBmpImg image;
  EXPECT_EQ(loadBytes(image, "huge.bmp", bmpInfoFile(30000, 30000, 24, 0, 0, {1, 2, 3})), errMemory);
  EXPECT_EQ(image.pixels, nullptr);
  cBmpImg tall;
  EXPECT_EQ(loadBytes(tall, "tall.bmp", bmpInfoFile(0, 0x7FFFFFFF, 8, 0, 2, {}, 2)), errMemory);
  EXPECT_EQ(tall.pixels, nullptr);
  cBmpImg wide;
  EXPECT_EQ(loadBytes(wide, "wide.bmp", bmpInfoFile(0x7FFFFFFF, 1, 24, 0, 0, {})), errMemory);
  EXPECT_EQ(wide.pixels, nullptr);
}

TEST(BmpDimensions, ZeroHeightGivesAnEmptyStore) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "zero.bmp", bmpInfoFile(5, 0, 8, 0, 2, {}, 2)), errNone);
  ASSERT_NE(image.pixels, nullptr);
  EXPECT_EQ(image.pixels->failed, 0);
  EXPECT_EQ(image.pixels->rowCount, 0);
}

TEST(BmpDimensions, RowBufferSizeRoundsUpToFourBytes) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "bpl.bmp", bmpInfoFile(5, 1, 24, 0, 0, std::vector<uint8_t>(16, 0))), errNone);
  EXPECT_EQ(image.bytesPerLine, 16);
  cBmpImg one;
  ASSERT_EQ(loadBytes(one, "bpl1.bmp", bmpInfoFile(9, 1, 1, 0, 2, std::vector<uint8_t>(4, 0))), errNone);
  EXPECT_EQ(one.bytesPerLine, 12);
}

TEST(BmpLimits, StoreAllowanceGrowsWithTheFile) {
  EXPECT_TRUE(imgStoreAllowed(1024, 1024, 3, 0));          // 3 MiB: any file
  EXPECT_FALSE(imgStoreAllowed(8192, 8192, 1, 1000));      // 64 MiB from 1000 bytes
  EXPECT_TRUE(imgStoreAllowed(8192, 8192, 1, 1 << 20));    // from a 1 MiB file
  EXPECT_FALSE(imgStoreAllowed(16385, 16384, 1, INT64_C(1) << 40));  // past 2^28 pixels
  EXPECT_FALSE(imgStoreAllowed(-1, 1, 1, 100));
  EXPECT_FALSE(imgStoreAllowed(0, INT64_C(1) << 29, 1, INT64_C(1) << 40));
  EXPECT_EQ(imgPaddedRowBytes(5, 24, 4), 16);
  EXPECT_EQ(imgPaddedRowBytes(9, 1, 4), 4);
  EXPECT_EQ(imgPaddedRowBytes(0x7FFFFFFF, 24, 4), -1);
}
