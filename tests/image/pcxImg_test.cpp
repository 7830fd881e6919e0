// PCX reading: the header check, the derived fields, each palette source,
// and the windows and sizes that are refused.
#include "image/pcx/pcxImg.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "image/imgStore.h"
#include "image/palette.h"
#include "tests/image/imageTestFiles.h"

using testfiles::loadBytes;
using bytes = std::vector<uint8_t>;

namespace {

// A 128-byte header; colour map entry i is (i, 2i, 3i).
bytes headerBytes(uint8_t version, uint8_t bitsPerPlane, uint8_t planes, uint16_t xMax, uint16_t yMax,
                uint16_t bytesPerPlaneLine, uint16_t xMin = 0, uint16_t yMin = 0) {
  bytes h(128, 0);
  h[0] = 10;
  h[1] = version;
  h[2] = 1;
  h[3] = bitsPerPlane;
  h[4] = static_cast<uint8_t>(xMin);
  h[5] = static_cast<uint8_t>(xMin >> 8);
  h[6] = static_cast<uint8_t>(yMin);
  h[7] = static_cast<uint8_t>(yMin >> 8);
  h[8] = static_cast<uint8_t>(xMax);
  h[9] = static_cast<uint8_t>(xMax >> 8);
  h[10] = static_cast<uint8_t>(yMax);
  h[11] = static_cast<uint8_t>(yMax >> 8);
  for (int i = 0; i < 16; ++i) {
    h[16 + 3 * i] = static_cast<uint8_t>(i);
    h[17 + 3 * i] = static_cast<uint8_t>(2 * i);
    h[18 + 3 * i] = static_cast<uint8_t>(3 * i);
  }
  h[65] = planes;
  h[66] = static_cast<uint8_t>(bytesPerPlaneLine);
  h[67] = static_cast<uint8_t>(bytesPerPlaneLine >> 8);
  return h;
}

bytes join(bytes a, const bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The 256-colour trailer: marker, then entry i = (i, 255 - i, i / 2).
bytes trailer(uint8_t marker = 0x0C) {
  bytes t = {marker};
  for (int i = 0; i < 256; ++i) {
    t.push_back(static_cast<uint8_t>(i));
    t.push_back(static_cast<uint8_t>(255 - i));
    t.push_back(static_cast<uint8_t>(i / 2));
  }
  return t;
}

bytes rgbOf(const cPalette* palette, int32_t index) {
  uint8_t rgb[3];
  if (!palette || !palette->getEntry(index, rgb)) return {};
  return {rgb[0], rgb[1], rgb[2]};
}

bytes row(const cPcxImg& image, int32_t index) {
  const uint8_t* data = image.pixels ? image.pixels->getRow(index) : nullptr;
  if (!data) return {};
  return bytes(data, data + image.pixels->rowBytes);
}

}  // namespace

TEST(PcxHeader, UnacceptableHeadersAreNotPcx) {
  for (uint8_t version : {1, 4, 6}) {
    cPcxImg image;
    EXPECT_EQ(loadBytes(image, "v.pcx", join(headerBytes(version, 1, 1, 7, 0, 1), {0})), errFormat);
    EXPECT_EQ(image.pixels, nullptr);
  }
  bytes maker = join(headerBytes(5, 1, 1, 7, 0, 1), {0});
  maker[0] = 11;
  cPcxImg wrongMaker;
  EXPECT_EQ(loadBytes(wrongMaker, "m.pcx", maker), errFormat);
  bytes plain = join(headerBytes(5, 1, 1, 7, 0, 1), {0});
  plain[2] = 0;
  cPcxImg unencoded;
  EXPECT_EQ(loadBytes(unencoded, "e.pcx", plain), errFormat);
}

TEST(PcxHeader, ShortHeaderCannotBeRead) {
  const uint8_t bytes[] = {10, 5, 1, 8, 0, 0, 0, 0, 3, 0};
  static_assert(sizeof bytes == 10, "a header cut after ten bytes");
  cPcxImg image;
  EXPECT_EQ(loadBytes(image, "short.pcx", bytes), errRead);
}

TEST(PcxHeader, BitsTimesPlanesMustGiveADepthRead) {
  cPcxImg twoBits;
  EXPECT_EQ(loadBytes(twoBits, "2x1.pcx", join(headerBytes(5, 2, 1, 3, 0, 1), {0})), errFormat);
  EXPECT_EQ(twoBits.bitsPerPixel, 2);
  cPcxImg zeros;
  ASSERT_EQ(loadBytes(zeros, "0x0.pcx", join(headerBytes(5, 0, 0, 7, 0, 1), {0xC1, 0xF0})), errNone);
  EXPECT_EQ(zeros.bitsPerPixel, 1);
  EXPECT_EQ(zeros.colorCount, 2u);
  EXPECT_EQ(rgbOf(zeros.palette, 0), (bytes{0, 0, 0}));
  EXPECT_EQ(rgbOf(zeros.palette, 1), (bytes{255, 255, 255}));
  EXPECT_EQ(row(zeros, 0), (bytes{1, 1, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(zeros.pixels->palette, zeros.palette);
}

TEST(PcxHeader, DerivedFields) {
  cPcxImg image;
  ASSERT_EQ(loadBytes(image, "fields.pcx", join(headerBytes(5, 8, 3, 14, 12, 6, 10, 10), bytes(60, 1))),
            errPalette);
  EXPECT_EQ(image.width, 5);
  EXPECT_EQ(image.height, 3);
  EXPECT_EQ(image.bitsPerPixel, 24);
  EXPECT_EQ(image.bytesPerPixel, 3);
  EXPECT_EQ(image.bytesPerLine, 15);
  EXPECT_EQ(image.colorCount, 16777216u);
}

TEST(PcxPalette, VersionThreeUsesTheStandardTable) {
  cPcxImg standard;
  ASSERT_EQ(loadBytes(standard, "std.pcx", join(headerBytes(3, 1, 4, 7, 0, 1), {0, 0, 0, 0})), errNone);
  EXPECT_EQ(rgbOf(standard.palette, 7), (bytes{192, 192, 192}));
  EXPECT_EQ(rgbOf(standard.palette, 9), (bytes{255, 0, 0}));
  cPcxImg own;
  ASSERT_EQ(loadBytes(own, "map.pcx", join(headerBytes(5, 4, 1, 1, 0, 1), {0})), errNone);
  EXPECT_EQ(rgbOf(own.palette, 7), (bytes{7, 14, 21}));
  EXPECT_EQ(own.palette->count, 16);
}

TEST(PcxPalette, TrailerGivesTheTwoHundredFiftySixColours) {
  cPcxImg image;
  ASSERT_EQ(loadBytes(image, "t.pcx", join(join(headerBytes(5, 8, 1, 1, 0, 2), {0xC2, 77}), trailer())),
            errNone);
  EXPECT_EQ(rgbOf(image.palette, 200), (bytes{200, 55, 100}));
  EXPECT_EQ(row(image, 0), (bytes{77, 77}));
  EXPECT_EQ(image.pixels->palette, image.palette);
}

TEST(PcxPalette, WrongMarkerOrShortFileIsNoPalette) {
  cPcxImg marker;
  EXPECT_EQ(loadBytes(marker, "mk.pcx", join(join(headerBytes(5, 8, 1, 1, 0, 2), {0xC2, 77}), trailer(0x0A))),
            errPalette);
  EXPECT_EQ(row(marker, 0), (bytes{77, 77}));
  EXPECT_EQ(marker.pixels->palette, nullptr);
  cPcxImg shortFile;
  EXPECT_EQ(loadBytes(shortFile, "sh.pcx", join(headerBytes(5, 8, 1, 1, 0, 2), {0xC2, 77})), errPalette);
}

TEST(PcxPalette, OneBitTimesEightPlanesReadsTheTrailer) {
  // Two pixels: plane j's byte has bit 7 for pixel 0 and bit 6 for pixel 1.
  bytes planes = {0x80, 0x40, 0xC1, 0xC0, 0x00, 0x80, 0x00, 0x00, 0x40};  // 0xC1: a run of one
  cPcxImg image;
  ASSERT_EQ(loadBytes(image, "1x8.pcx", join(join(headerBytes(5, 1, 8, 1, 0, 1), planes), trailer())), errNone);
  EXPECT_EQ(image.colorCount, 256u);
  EXPECT_EQ(row(image, 0), (bytes{1 + 4 + 16, 2 + 4 + 128}));
  EXPECT_EQ(rgbOf(image.palette, 21), (bytes{21, 234, 10}));
}

// A 24-bit picture has its rows and reports that it has no palette.
TEST(PcxPalette, TrueColourHasPixelsButNoPalette) {
  cPcxImg image;
  EXPECT_EQ(loadBytes(image, "rgb.pcx", join(headerBytes(5, 8, 3, 1, 0, 2), {1, 2, 3, 4, 5, 6})), errPalette);
  EXPECT_EQ(row(image, 0), (bytes{1, 3, 5, 2, 4, 6}));
  ASSERT_NE(image.palette, nullptr);
  EXPECT_EQ(image.palette->count, 0);
  EXPECT_EQ(image.pixels->palette, nullptr);
}

TEST(PcxWindow, NegativeWidthOrHeightIsRefused) {
  cPcxImg narrow;
  EXPECT_EQ(loadBytes(narrow, "nw.pcx", join(headerBytes(5, 8, 1, 3, 0, 1, 5, 0), {0})), errFormat);
  EXPECT_EQ(narrow.pixels, nullptr);
  cPcxImg flat;
  EXPECT_EQ(loadBytes(flat, "nh.pcx", join(headerBytes(5, 8, 1, 3, 0, 1, 0, 9), {0})), errFormat);
}

// xMax one less than xMin: width 0; each row's data is still consumed.
TEST(PcxWindow, ZeroWidthRowsAreEmpty) {
  cPcxImg image;
  ASSERT_EQ(loadBytes(image, "w0.pcx", join(join(headerBytes(5, 8, 1, 4, 1, 2, 5), {1, 2, 3, 4}), trailer())),
            errNone);
  EXPECT_EQ(image.width, 0);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.pixels->rowBytes, 0);
}

TEST(PcxWindow, PictureOutOfProportionToTheFileIsRefused) {
  cPcxImg image;
  EXPECT_EQ(loadBytes(image, "big.pcx", join(headerBytes(5, 8, 3, 65535, 65535, 2), {0})), errMemory);
  EXPECT_EQ(image.pixels, nullptr);
  cPcxImg tall;
  EXPECT_EQ(loadBytes(tall, "tall.pcx", join(headerBytes(5, 8, 1, 4095, 65535, 0), {0})), errMemory);
}

TEST(PcxWindow, FileOfOnlyTheHeaderHasBlackRows) {
  cPcxImg image;
  ASSERT_EQ(loadBytes(image, "hdr.pcx", headerBytes(5, 1, 4, 3, 1, 1)), errNone);
  EXPECT_EQ(row(image, 0), (bytes{0, 0, 0, 0}));
  EXPECT_EQ(row(image, 1), (bytes{0, 0, 0, 0}));
}

namespace {

// What a reader's progress saw: the counts, and the rows declared final,
// copied when declared.
struct ProgressLog : cPcxRowProgress {
  std::vector<int32_t> counts;
  std::vector<bytes> rowsThen;
  bool paletteFirst = true;
  void rowsFinal(const cBitmapFile& image, int32_t count) override {
    if (image.colorCount <= 16 && !image.palette) paletteFirst = false;
    counts.push_back(count);
    for (int32_t r = static_cast<int32_t>(rowsThen.size()); r < count; ++r)
      rowsThen.push_back(bytes(image.pixels->getRow(r), image.pixels->getRow(r) + image.pixels->rowBytes));
  }
};

}  // namespace

// The rows a progress is told of are already what they end as; a palette
// the header gives is there from the first call on; the counts never go
// back and end at the height, also when the data ends early.
TEST(PcxProgress, RowsToldOfAreFinal) {
  bytes twoColours = headerBytes(5, 1, 1, 9, 3, 2);
  for (uint8_t v : {0x12, 0x34, 0xC3, 0xFF, 0x56, 0x00, 0x78, 0xC1}) twoColours.push_back(v);  // row 3 cut short
  const bytes withTrailer = join(join(headerBytes(5, 8, 1, 1, 1, 2), {1, 2, 3, 4}), trailer());
  for (const bytes& file : {twoColours, withTrailer}) {
    cPcxImg image;
    ProgressLog log;
    image.rowProgress = &log;
    ASSERT_EQ(loadBytes(image, "progress.pcx", file), errNone);
    ASSERT_FALSE(log.counts.empty());
    EXPECT_EQ(log.counts.front(), 0);
    EXPECT_EQ(log.counts.back(), image.height);
    EXPECT_TRUE(std::is_sorted(log.counts.begin(), log.counts.end()));
    EXPECT_TRUE(log.paletteFirst);
    ASSERT_EQ(log.rowsThen.size(), static_cast<size_t>(image.height));
    for (int32_t r = 0; r < image.height; ++r) EXPECT_EQ(log.rowsThen[r], row(image, r)) << r;
  }
}
