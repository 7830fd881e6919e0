// cBmpImg::saveFile: the file's layout (headers, palette, bottom-up rows),
// the header fields brought up to date, round trips through the reader, and
// the refusals and failures: what is refused leaves an existing file as it
// was, a failed write is reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/bmp/bmpImg.h"
#include "imageTestFiles.h"
#include "writerTestPictures.h"

using writertest::le16;
using writertest::le32;
using writertest::makePicture;
using writertest::scratchBytes;
using writertest::scratchName;

namespace {

uint8_t pattern(int32_t x, int32_t y, int32_t k) { return static_cast<uint8_t>(x + 10 * y + 100 * k); }

int32_t save(cBmpImg& image, const std::string& name) { return image.saveFile(scratchName(name).c_str()); }

TEST(BmpWriterLayout, EightBitPictureOfThreeByTwo) {
  cBmpImg image;
  makePicture(image, 3, 2, 8, 256, 256, pattern);
  ASSERT_EQ(errNone, save(image, "eight.bmp"));
  const std::vector<uint8_t> file = scratchBytes("eight.bmp");
  ASSERT_EQ(1086u, file.size());
  EXPECT_EQ('B', file[0]);
  EXPECT_EQ('M', file[1]);
  EXPECT_EQ(1086u, le32(file, 2));   // bfSize
  EXPECT_EQ(1078u, le32(file, 10));  // bfOffBits
  EXPECT_EQ(40u, le32(file, 14));    // biSize
  EXPECT_EQ(3u, le32(file, 18));     // biWidth
  EXPECT_EQ(2u, le32(file, 22));     // biHeight: positive, bottom-up
  EXPECT_EQ(1u, le16(file, 26));     // biPlanes
  EXPECT_EQ(8u, le16(file, 28));     // biBitCount
  EXPECT_EQ(0u, le32(file, 30));     // biCompression
  EXPECT_EQ(8u, le32(file, 34));     // biSizeImage = bytesPerLine * height
  // Palette entry 5 (red 5, green 10, blue 15) as blue, green, red, 0.
  EXPECT_EQ(15, file[54 + 20]);
  EXPECT_EQ(10, file[54 + 21]);
  EXPECT_EQ(5, file[54 + 22]);
  EXPECT_EQ(0, file[54 + 23]);
  // The bottom row (store row 1) comes first, each row filled to 4 bytes.
  const std::vector<uint8_t> rows(file.begin() + 1078, file.end());
  EXPECT_EQ((std::vector<uint8_t>{10, 11, 12, 0, 0, 1, 2, 0}), rows);
  // The object keeps the records it wrote.
  EXPECT_EQ(1086u, image.fileHeader.bfSize);
  EXPECT_EQ(1078u, image.fileHeader.bfOffBits);
  EXPECT_EQ(8u, image.infoHeader.biSizeImage);
}

TEST(BmpWriterLayout, TwentyFourBitPictureHasNoPalette) {
  cBmpImg image;
  makePicture(image, 2, 2, 24, 0, 0, [](int32_t, int32_t, int32_t k) { return uint8_t(k + 1); });
  ASSERT_EQ(errNone, save(image, "rgb.bmp"));
  const std::vector<uint8_t> file = scratchBytes("rgb.bmp");
  ASSERT_EQ(70u, file.size());
  EXPECT_EQ(70u, le32(file, 2));
  EXPECT_EQ(54u, le32(file, 10));
  EXPECT_EQ(24u, le16(file, 28));
  // Red 1, green 2, blue 3 is written 3, 2, 1; two fill bytes end the row.
  EXPECT_EQ((std::vector<uint8_t>{3, 2, 1, 3, 2, 1, 0, 0}), std::vector<uint8_t>(file.begin() + 54, file.begin() + 62));
}

TEST(BmpWriterLayout, OneBitPicturesGetABlackAndWhitePalette) {
  cBmpImg image;
  makePicture(image, 100, 10, 1, 2, 2, [](int32_t x, int32_t, int32_t) { return uint8_t(x % 3 == 0); });
  // Blue and yellow in the picture's palette; the file says black and white.
  image.palette->entries[0] = 0, image.palette->entries[1] = 0, image.palette->entries[2] = 255;
  image.palette->entries[3] = 255, image.palette->entries[4] = 255, image.palette->entries[5] = 0;
  ASSERT_EQ(errNone, save(image, "mono.bmp"));
  const std::vector<uint8_t> file = scratchBytes("mono.bmp");
  EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}), std::vector<uint8_t>(file.begin() + 54, file.begin() + 62));
  EXPECT_EQ(62u, le32(file, 10));
  EXPECT_EQ(62u + 10 * 16, file.size());  // rows of 16 bytes
  EXPECT_EQ(1000u, le32(file, 34));       // bytesPerLine 100 x 10 rows
  EXPECT_EQ(0x92, file[62]);              // pixels 0, 3, 6 set
}

TEST(BmpWriterLayout, ColourCountsBeyondWhatIsWrittenAreCleared) {
  cBmpImg image;
  makePicture(image, 2, 1, 8, 256, 256, pattern);
  image.infoHeader.biClrUsed = 16;  // a short palette in the file read: kept
  image.infoHeader.biClrImportant = 300;
  image.infoHeader.biXPelsPerMeter = 2835;
  ASSERT_EQ(errNone, save(image, "counts.bmp"));
  std::vector<uint8_t> file = scratchBytes("counts.bmp");
  EXPECT_EQ(16u, le32(file, 46));
  EXPECT_EQ(0u, le32(file, 50));
  EXPECT_EQ(2835u, le32(file, 38));

  cBmpImg rgb;
  makePicture(rgb, 1, 1, 24, 0, 0, pattern);
  rgb.infoHeader.biClrUsed = 5;  // no entries are written for 24 bits
  ASSERT_EQ(errNone, save(rgb, "counts24.bmp"));
  EXPECT_EQ(0u, le32(scratchBytes("counts24.bmp"), 46));
}

TEST(BmpWriterFiles, SavingOverALongerFileLeavesOnlyTheNewBytes) {
  const std::string path = testfiles::scratchPath("over.bmp");
  testfiles::writeFile(path, std::vector<uint8_t>(5000, 0xAA));
  cBmpImg image;
  makePicture(image, 2, 2, 24, 0, 0, pattern);
  ASSERT_EQ(errNone, save(image, "over.bmp"));
  EXPECT_EQ(70u, testfiles::readFile(path).size());
}

TEST(BmpWriterFiles, ANameThatCannotBeCreatedChangesNothing) {
  cBmpImg image;
  makePicture(image, 2, 2, 24, 0, 0, pattern);
  EXPECT_EQ(errNone, image.saveFile(testfiles::wide(testfiles::scratchDir()).c_str()));
  EXPECT_NE(0u, image.getSystemError());
  EXPECT_EQ(nullptr, image.fileHandle);
  EXPECT_EQ(0u, image.fileHeader.bfSize);  // nothing was written
}

TEST(BmpWriterFiles, TheFileIsClosedAndReadableAfterwards) {
  cBmpImg image;
  makePicture(image, 5, 3, 8, 256, 256, pattern);
  ASSERT_EQ(errNone, save(image, "closed.bmp"));
  EXPECT_EQ(nullptr, image.fileHandle);
  cBmpImg again;
  EXPECT_EQ(errNone, again.loadFile(scratchName("closed.bmp").c_str()));
}

// Saves `image`, reads the file back and compares pixels and palette.
void expectRoundTrip(cBmpImg& image, const std::string& name, bool blackAndWhite) {
  ASSERT_EQ(errNone, save(image, name));
  cBmpImg back;
  ASSERT_EQ(errNone, back.loadFile(scratchName(name).c_str()));
  ASSERT_EQ(image.width, back.width);
  ASSERT_EQ(image.height, back.height);
  EXPECT_EQ(image.bitsPerPixel, back.bitsPerPixel);
  EXPECT_EQ(image.colorCount, back.colorCount);
  ASSERT_NE(nullptr, back.pixels);
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* want = image.pixels->getRow(y);
    const uint8_t* got = back.pixels->getRow(y);
    ASSERT_NE(nullptr, got);
    for (int32_t i = 0; i < image.width * image.bytesPerPixel; ++i) {
      const uint8_t expected = image.bitsPerPixel == 1 ? (want[i] != 0) : want[i];
      ASSERT_EQ(expected, got[i]) << name << " row " << y << " byte " << i;
    }
  }
  for (int32_t i = 0; i < static_cast<int32_t>(image.colorCount); ++i) {
    uint8_t want[3], got[3];
    ASSERT_TRUE(back.palette->getEntry(i, got));
    image.palette->getEntry(i, want);
    if (blackAndWhite) want[0] = want[1] = want[2] = i ? 255 : 0;
    EXPECT_EQ(0, std::memcmp(want, got, 3)) << name << " entry " << i;
  }
}

TEST(BmpWriterRoundTrip, EveryDepthReadsBackTheSamePicture) {
  cBmpImg one, four, eight, rgb;
  makePicture(one, 37, 5, 1, 2, 2, [](int32_t x, int32_t y, int32_t) { return uint8_t((x + y) % 3 == 0); });
  makePicture(four, 13, 4, 4, 16, 16, [](int32_t x, int32_t y, int32_t) { return uint8_t((x * 3 + y) % 16); });
  makePicture(eight, 7, 6, 8, 256, 256, [](int32_t x, int32_t y, int32_t) { return uint8_t(x * 37 + y * 11); });
  makePicture(rgb, 5, 3, 24, 0, 0, pattern);
  expectRoundTrip(one, "trip1.bmp", true);
  expectRoundTrip(four, "trip4.bmp", false);
  expectRoundTrip(eight, "trip8.bmp", false);
  expectRoundTrip(rgb, "trip24.bmp", false);
}

TEST(BmpWriterRoundTrip, AFileReadSavedAndReadAgainKeepsItsPicture) {
  cBmpImg first;
  makePicture(first, 9, 4, 8, 256, 256, [](int32_t x, int32_t y, int32_t) { return uint8_t(x ^ (y << 4)); });
  ASSERT_EQ(errNone, save(first, "gen1.bmp"));
  cBmpImg read;
  ASSERT_EQ(errNone, read.loadFile(scratchName("gen1.bmp").c_str()));
  expectRoundTrip(read, "gen2.bmp", false);
  EXPECT_EQ(scratchBytes("gen1.bmp"), scratchBytes("gen2.bmp"));
}

// The refusals: an existing file of the name must be left as it was.
class BmpWriterRefusal : public ::testing::Test {
 protected:
  void SetUp() override { makePicture(image, 4, 4, 8, 256, 256, pattern); }
  int32_t saveOverKept() { return kept.saveOver(image); }
  writertest::KeptFile kept{"keep.bmp"};
  cBmpImg image;
};

TEST_F(BmpWriterRefusal, NoPixelStore) {
  delete image.pixels;
  image.pixels = nullptr;
  EXPECT_EQ(errFormat, saveOverKept());
  EXPECT_EQ(errFormat, image.errorCode);
}

TEST_F(BmpWriterRefusal, AFailedOrMismatchedStore) {
  delete image.pixels;
  image.pixels = new cImgStore(-1, 4, 8);  // failed
  EXPECT_EQ(errFormat, saveOverKept());
  cBmpImg other;
  makePicture(other, 4, 4, 8, 256, 256, pattern);
  other.width = 5;  // rows are narrower than the picture says
  EXPECT_EQ(errFormat, kept.saveOver(other));
}

TEST_F(BmpWriterRefusal, APaletteShorterThanItsColours) {
  delete image.palette;
  image.palette = new cPalette(16);  // 256 colours to write
  image.pixels->palette = image.palette;
  EXPECT_EQ(errPalette, saveOverKept());
}

TEST_F(BmpWriterRefusal, AnErrorCodeFromTheRead) {
  image.errorCode = errRead;
  EXPECT_EQ(errRead, saveOverKept());
}

TEST_F(BmpWriterRefusal, DepthsTheWriterCannotWrite) {
  image.bitsPerPixel = 16;  // read with no decoded pixels
  image.colorCount = 0;
  EXPECT_EQ(errFormat, saveOverKept());
}

TEST(BmpWriterFailures, AnOldSystemErrorDoesNotStopTheRows) {
  cBmpImg image;
  makePicture(image, 4, 3, 8, 256, 256, pattern);
  image.systemError = 38;  // left by a short read at the end of the file read
  ASSERT_EQ(errNone, save(image, "stale.bmp"));
  EXPECT_EQ(1078u + 3 * 4, scratchBytes("stale.bmp").size());
}

TEST(BmpWriterFailures, AHeaderThatCannotBeWrittenIsErrWrite) {
  cBmpImg image;
  makePicture(image, 4, 3, 8, 256, 256, pattern);
  EXPECT_EQ(errWrite, image.saveFile(testfiles::wide("/dev/full").c_str()));
  EXPECT_NE(0u, image.getSystemError());
  EXPECT_EQ(nullptr, image.fileHandle);
}

TEST(BmpWriterFailures, RowsThatCannotBeWrittenAreErrWrite) {
  cBmpImg image;
  makePicture(image, 300, 300, 24, 0, 0, pattern);
  const std::vector<uint8_t> old{'B', 'M', 'o', 'l', 'd'};
  testfiles::writeFile(testfiles::scratchPath("cut.bmp"), old);
  // The file may grow to 8 KiB: the headers fit, the rows do not.
  EXPECT_EQ(errWrite, writertest::saveUnderFileSizeLimit(8192, [&] { return save(image, "cut.bmp"); }));
  EXPECT_NE(0u, image.getSystemError());
  EXPECT_EQ(nullptr, image.fileHandle);
  // The file that was there is untouched.
  EXPECT_EQ(old, scratchBytes("cut.bmp"));
}

}  // namespace
