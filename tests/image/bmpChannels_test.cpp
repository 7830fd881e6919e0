// 16- and 32-bit BMP pictures: files ImageMagick wrote, against ImageMagick's
// and Pillow's decodes (tests/data/bitfields, made by
// tests/data/make_samples.sh), and small files built here for what those do
// not cover: masks after a 40-byte header, top-down rows, unusual masks and
// masks no picture can be read through. Such a picture is read into the
// 24-bit store and written back as a 24-bit picture.
#include "image/bmp/bmpChannels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/rgbPixels.h"
#include "tests/image/imageTestFiles.h"

using bytes = std::vector<uint8_t>;
using testfiles::put16;
using testfiles::put32;

namespace {

const std::string kData = std::string(ZOLM_TEST_DATA) + "/bitfields/";

// A BMP file of `bits`-bit pixels with a header of `headerSize` bytes; with
// masks, BI_BITFIELDS and the masks at header byte 40 (inside a header of 52
// bytes or more, else right after the 40 bytes).
bytes maskedFile(int32_t width, int32_t height, uint16_t bits, uint32_t headerSize,
                 const std::vector<uint32_t>& masks, const bytes& data) {
  const uint32_t maskBytes = headerSize == 40 ? 4 * static_cast<uint32_t>(masks.size()) : 0;
  const uint32_t offset = 14 + headerSize + maskBytes;
  bytes out = testfiles::bmpFileHeader(offset + static_cast<uint32_t>(data.size()), offset);
  put32(out, headerSize);
  put32(out, static_cast<uint32_t>(width));
  put32(out, static_cast<uint32_t>(height));
  put16(out, 1);
  put16(out, bits);
  put32(out, masks.empty() ? 0 : 3);
  for (int i = 0; i < 5; ++i) put32(out, 0);
  for (uint32_t m : masks) put32(out, m);
  out.resize(offset, 0);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

bytes rgbOf(const cBitmapFile& image) {
  bytes rgb;
  imgRgbPixels(image, rgb);
  return rgb;
}

// Largest difference of one channel between our decode and a PPM's, -1 when
// the sizes differ; `shiftedFour` compares the top four bits only.
int largestDifference(const bytes& ours, const std::string& ppm, bool shiftedFour = false) {
  int width = 0, height = 0;
  bytes theirs;
  if (!testfiles::readPpm(ppm, width, height, theirs) || theirs.size() != ours.size()) return -1;
  int largest = 0;
  for (size_t i = 0; i < ours.size(); ++i) {
    const int a = shiftedFour ? ours[i] >> 4 : ours[i], b = shiftedFour ? theirs[i] >> 4 : theirs[i];
    largest = std::max(largest, std::abs(a - b));
  }
  return largest;
}

}  // namespace

TEST(BmpChannels, ImageMagickFilesMatchImageMagickAndPillow) {
  for (const char* name : {"bmp-bitfields-565", "bmp-bitfields-555", "bmp-bitfields-8888", "bmp-rgb-32",
                           "bmp-bitfields-4444"}) {
    const std::string stem = kData + name;
    cBmpImg image;
    ASSERT_EQ(image.loadFile(testfiles::wide(stem + ".bmp").c_str()), errNone) << name;
    EXPECT_EQ(image.colorCount, 0u);
    ASSERT_NE(image.palette, nullptr);
    EXPECT_EQ(image.palette->count, 0);
    EXPECT_EQ(image.bitsPerPixel, 24);
    const bytes ours = rgbOf(image);
    // ImageMagick widens 4-bit channels by shifting (15 gives 240), and
    // Pillow does not read 4-4-4-4: there the four bits must agree.
    const bool four = std::string(name) == "bmp-bitfields-4444";
    const int imageMagick = largestDifference(ours, stem + ".im.ppm", four);
    EXPECT_GE(imageMagick, 0) << name;
    EXPECT_LE(imageMagick, four ? 0 : 1) << name << " ImageMagick";
    if (four) continue;
    const int pillow = largestDifference(ours, stem + ".pil.ppm");
    EXPECT_GE(pillow, 0) << name;
    EXPECT_LE(pillow, 1) << name << " Pillow";
  }
}

TEST(BmpChannels, MasksAfterTheHeaderTopDownRows) {
  // 5-6-5, two rows top-down: white, pure red / pure green, pure blue.
  const bytes data = {0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00};
  cBmpImg image;
  ASSERT_EQ(testfiles::loadBytes(image, "topdown565.bmp",
                                 maskedFile(2, -2, 16, 40, {0xF800, 0x07E0, 0x001F}, data)),
            errNone);
  EXPECT_EQ(rgbOf(image), (bytes{255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
}

TEST(BmpChannels, UnusualMasksAndUncompressedLayouts) {
  // 32 bits, red in the low byte, blue in bits 16-23, a 1-bit green at 31;
  // inside a 56-byte header.
  cBmpImg swapped;
  ASSERT_EQ(testfiles::loadBytes(swapped, "swapped.bmp",
                                 maskedFile(1, 1, 32, 56, {0x000000FF, 0x80000000, 0x00FF0000, 0},
                                            {0x12, 0x00, 0x34, 0x80})),
            errNone);
  EXPECT_EQ(rgbOf(swapped), (bytes{0x12, 255, 0x34}));
  // Uncompressed 16 bits are 5-5-5 with the top bit ignored; 32 bits are
  // blue, green, red and an ignored byte.
  cBmpImg five;
  ASSERT_EQ(testfiles::loadBytes(five, "rgb16.bmp", maskedFile(1, 1, 16, 40, {}, {0x1F, 0xFC, 0, 0})), errNone);
  EXPECT_EQ(rgbOf(five), (bytes{255, 0, 255}));
  cBmpImg eight;
  ASSERT_EQ(testfiles::loadBytes(eight, "rgb32.bmp", maskedFile(1, 1, 32, 40, {}, {1, 2, 3, 4})), errNone);
  EXPECT_EQ(rgbOf(eight), (bytes{3, 2, 1}));
}

TEST(BmpChannels, MasksNoPictureCanBeReadThroughAreRefused) {
  const std::vector<std::vector<uint32_t>> bad = {
      {0, 0x07E0, 0x001F},        // zero
      {0xF00F, 0x07E0, 0x001F},   // not one run of bits
      {0xF800, 0x0FE0, 0x001F},   // overlaps red
      {0xFF80, 0x0070, 0x000F},   // nine bits
      {0x10000, 0x07E0, 0x001F},  // beyond a 16-bit pixel
  };
  for (const auto& masks : bad) {
    cBmpImg image;
    EXPECT_EQ(testfiles::loadBytes(image, "badmask.bmp", maskedFile(1, 1, 16, 40, masks, {0, 0, 0, 0})), errFormat)
        << std::hex << masks[0] << " " << masks[1] << " " << masks[2];
  }
}

TEST(BmpChannels, WrittenBackAsTwentyFourBits) {
  cBmpImg image;
  ASSERT_EQ(image.loadFile(testfiles::wide(kData + "bmp-bitfields-565.bmp").c_str()), errNone);
  const std::string out = testfiles::scratchPath("from565.bmp");
  ASSERT_EQ(image.saveFile(testfiles::wide(out).c_str()), errNone);
  const bytes file = testfiles::readFile(out);
  ASSERT_GT(file.size(), 54u);
  EXPECT_EQ(file[28] | (file[29] << 8), 24);  // biBitCount
  cBmpImg back;
  ASSERT_EQ(back.loadFile(testfiles::wide(out).c_str()), errNone);
  EXPECT_EQ(rgbOf(back), rgbOf(image));
}
