// cPcxImg::saveFile: the header as written (256 colours as 8 bits in one
// plane, the colour map, the version), the trailer, round trips through the
// reader, bytes per plane line grown for rows that need more, and the
// refusals and failures: what is refused leaves an existing file as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/pcx/pcxImg.h"
#include "imageTestFiles.h"
#include "writerTestPictures.h"

using writertest::le16;
using writertest::makePcxHeader;
using writertest::makePicture;
using writertest::scratchBytes;
using writertest::scratchName;

namespace {

uint8_t index256(int32_t x, int32_t y, int32_t) { return static_cast<uint8_t>(x * 29 + y * 7); }

// Loads `name` and expects the pixels and palette of `image`.
void expectReadsBackAs(const cPcxImg& image, const std::string& name) {
  cPcxImg back;
  ASSERT_EQ(errNone, back.loadFile(scratchName(name).c_str())) << name;
  ASSERT_EQ(image.width, back.width);
  ASSERT_EQ(image.height, back.height);
  EXPECT_EQ(image.colorCount, back.colorCount);
  for (int32_t y = 0; y < image.height; ++y)
    ASSERT_EQ(0, std::memcmp(image.pixels->getRow(y), back.pixels->getRow(y), static_cast<size_t>(image.width)))
        << name << " row " << y;
  if (back.header.version != 3 || back.colorCount != 16) {
    EXPECT_EQ(0, std::memcmp(image.palette->entries, back.palette->entries, 3 * back.colorCount)) << name;
  }
}

TEST(PcxWriterLayout, TwoHundredFiftySixColoursWithTrailer) {
  cPcxImg image;
  makePicture(image, 3, 2, 8, 256, 256, [](int32_t x, int32_t y, int32_t) { return uint8_t(y ? 0xC8 : x + 1); });
  makePcxHeader(image, 8, 1, 4);  // read with an even line of 4 bytes
  ASSERT_EQ(errNone, image.saveFile(scratchName("p256.pcx").c_str()));
  const std::vector<uint8_t> file = scratchBytes("p256.pcx");
  // The line is the width, not rounded to an even count.
  EXPECT_EQ(3u, le16(file, 66));
  EXPECT_EQ(8, file[3]);
  EXPECT_EQ(1, file[65]);
  // Row 0: 1, 2, 3; row 1: three bytes 0xC8, one run.
  const std::vector<uint8_t> rows(file.begin() + 128, file.end() - 769);
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 0xC3, 0xC8}), rows);
  ASSERT_GE(file.size(), 769u + 128u);
  const size_t trailer = file.size() - 769;
  EXPECT_EQ(0x0C, file[trailer]);
  EXPECT_EQ(5, file[trailer + 1 + 15]);   // entry 5: red 5
  EXPECT_EQ(10, file[trailer + 1 + 16]);  // green 10
  EXPECT_EQ(15, file[trailer + 1 + 17]);  // blue 15
  expectReadsBackAs(image, "p256.pcx");
}

TEST(PcxWriterLayout, AnImageReadAsEightBitPlanesIsWrittenAsOneBytePlane) {
  cPcxImg image;
  makePicture(image, 5, 3, 8, 256, 256, index256);
  makePcxHeader(image, 1, 8, 2);  // 1 bit x 8 planes
  ASSERT_EQ(errNone, image.saveFile(scratchName("planes.pcx").c_str()));
  const std::vector<uint8_t> file = scratchBytes("planes.pcx");
  EXPECT_EQ(8, file[3]);
  EXPECT_EQ(1, file[65]);
  EXPECT_EQ(5u, le16(file, 66));
  expectReadsBackAs(image, "planes.pcx");
}

TEST(PcxWriterLayout, VersionIsWrittenAsHeldAndFiveAfterwards) {
  cPcxImg image;
  makePicture(image, 4, 2, 4, 16, 16, [](int32_t x, int32_t y, int32_t) { return uint8_t((x + 4 * y) % 16); });
  makePcxHeader(image, 1, 4, 2, 3);
  ASSERT_EQ(errNone, image.saveFile(scratchName("v3.pcx").c_str()));
  std::vector<uint8_t> file = scratchBytes("v3.pcx");
  EXPECT_EQ(3, file[1]);
  EXPECT_EQ(5, image.header.version);
  // The colour map holds the palette: entry 2 is 2, 4, 6.
  EXPECT_EQ((std::vector<uint8_t>{2, 4, 6}), std::vector<uint8_t>(file.begin() + 16 + 6, file.begin() + 16 + 9));
  // 16 colours: no trailer; 2 rows x 4 plane lines x 2 bytes at most.
  EXPECT_LE(file.size(), 128u + 2 * 4 * 2 * 2);
  ASSERT_EQ(errNone, image.saveFile(scratchName("v3.pcx").c_str()));
  file = scratchBytes("v3.pcx");
  EXPECT_EQ(5, file[1]);
  expectReadsBackAs(image, "v3.pcx");
}

TEST(PcxWriterLayout, TwoColoursHaveNoTrailerAndABlackAndWhiteMap) {
  cPcxImg image;
  makePicture(image, 16, 2, 1, 2, 2, [](int32_t x, int32_t, int32_t) { return uint8_t(x < 8); });
  image.palette->entries[3] = image.palette->entries[4] = image.palette->entries[5] = 255;
  makePcxHeader(image, 1, 1, 2);
  ASSERT_EQ(errNone, image.saveFile(scratchName("mono.pcx").c_str()));
  const std::vector<uint8_t> file = scratchBytes("mono.pcx");
  EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 255, 255, 255}), std::vector<uint8_t>(file.begin() + 16, file.begin() + 22));
  // Each row: 0xFF (a count byte is needed), then 0x00.
  EXPECT_EQ((std::vector<uint8_t>{0xC1, 0xFF, 0, 0xC1, 0xFF, 0}), std::vector<uint8_t>(file.begin() + 128, file.end()));
  expectReadsBackAs(image, "mono.pcx");
}

TEST(PcxWriterRoundTrip, FilesOfEveryPaletteKindReadBackTheSame) {
  struct Case {
    const char* name;
    uint8_t bits, planes;
    uint32_t colours;
  } cases[] = {{"rt-1x1.pcx", 1, 1, 2},  {"rt-1x4.pcx", 1, 4, 16}, {"rt-2x2.pcx", 2, 2, 16},
               {"rt-4x1.pcx", 4, 1, 16}, {"rt-8x1.pcx", 8, 1, 256}, {"rt-2x4.pcx", 2, 4, 256}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cPcxImg image;
    const uint32_t colours = c.colours;
    makePicture(image, 21, 7, c.bits * c.planes, colours, colours,
                [colours](int32_t x, int32_t y, int32_t) { return uint8_t((x * 5 + y * 3) % colours); });
    if (colours == 2) image.palette->entries[3] = image.palette->entries[4] = image.palette->entries[5] = 255;
    makePcxHeader(image, c.bits, c.planes, static_cast<uint16_t>(((21 * c.bits + 7) / 8 + 1) / 2 * 2));
    ASSERT_EQ(errNone, image.saveFile(scratchName(c.name).c_str()));
    expectReadsBackAs(image, c.name);
    // Read, save and read again: the second file equals the first.
    cPcxImg read;
    ASSERT_EQ(errNone, read.loadFile(scratchName(c.name).c_str()));
    ASSERT_EQ(errNone, read.saveFile(scratchName(std::string("again-") + c.name).c_str()));
    EXPECT_EQ(scratchBytes(c.name), scratchBytes(std::string("again-") + c.name));
  }
}

TEST(PcxWriterLines, RowsWiderThanTheHeadersLineGrowIt) {
  // As a picture scaled from 16 to 20 pixels: 1 bit x 4 planes needs 3
  // bytes per plane line; the reader sees the same picture.
  cPcxImg image;
  makePicture(image, 20, 3, 4, 16, 16, [](int32_t x, int32_t y, int32_t) { return uint8_t((x + y) % 16); });
  makePcxHeader(image, 1, 4, 2, 5);
  ASSERT_EQ(errNone, image.saveFile(scratchName("grown.pcx").c_str()));
  EXPECT_EQ(3u, le16(scratchBytes("grown.pcx"), 66));
  expectReadsBackAs(image, "grown.pcx");
  // Rows that fit keep the header's value, padding and all, as long as the
  // padding is what writers use for alignment.
  cPcxImg narrow;
  makePicture(narrow, 8, 2, 1, 2, 2, [](int32_t x, int32_t, int32_t) { return uint8_t(x & 1); });
  narrow.palette->entries[3] = narrow.palette->entries[4] = narrow.palette->entries[5] = 255;
  makePcxHeader(narrow, 1, 1, 4);
  ASSERT_EQ(errNone, narrow.saveFile(scratchName("padded.pcx").c_str()));
  EXPECT_EQ(4u, le16(scratchBytes("padded.pcx"), 66));
  expectReadsBackAs(narrow, "padded.pcx");
}

TEST(PcxWriterLines, PaddingOutOfProportionIsDropped) {
  // A 5-pixel, 16-colour picture whose header claims 65,535-byte lines:
  // written as claimed, 2,000 rows would take 131 MB.
  cPcxImg image;
  makePicture(image, 5, 2000, 4, 16, 16, [](int32_t x, int32_t y, int32_t) { return uint8_t((x + y) % 16); });
  makePcxHeader(image, 4, 1, 0xFFFF);
  ASSERT_EQ(errNone, image.saveFile(scratchName("overpadded.pcx").c_str()));
  const std::vector<uint8_t> file = scratchBytes("overpadded.pcx");
  EXPECT_EQ(3u, le16(file, 66));
  EXPECT_LE(file.size(), 128u + 2000u * 6u);
  expectReadsBackAs(image, "overpadded.pcx");
  // Padding of up to three bytes stays.
  makePcxHeader(image, 4, 1, 6);
  ASSERT_EQ(errNone, image.saveFile(scratchName("aligned.pcx").c_str()));
  EXPECT_EQ(6u, le16(scratchBytes("aligned.pcx"), 66));
  makePcxHeader(image, 4, 1, 7);
  ASSERT_EQ(errNone, image.saveFile(scratchName("overpadded.pcx").c_str()));
  EXPECT_EQ(3u, le16(scratchBytes("overpadded.pcx"), 66));
}

TEST(PcxWriterLines, TwentyFourBitPicturesAreThreeByteLinesWithAZeroTrailer) {
  cPcxImg image;
  makePicture(image, 3, 2, 24, 1u << 24, 0, [](int32_t x, int32_t y, int32_t k) { return uint8_t(x + 3 * y + 50 * k); });
  makePcxHeader(image, 8, 3, 2);  // lines too short: grown to 3
  ASSERT_EQ(errNone, image.saveFile(scratchName("rgb.pcx").c_str()));
  const std::vector<uint8_t> file = scratchBytes("rgb.pcx");
  EXPECT_EQ(3u, le16(file, 66));
  // Row 0: red 0, 1, 2; green 50, 51, 52; blue 100, 101, 102.
  EXPECT_EQ((std::vector<uint8_t>{0, 1, 2, 50, 51, 52, 100, 101, 102}),
            std::vector<uint8_t>(file.begin() + 128, file.begin() + 137));
  EXPECT_EQ(0x0C, file[file.size() - 769]);
  EXPECT_EQ(std::vector<uint8_t>(768, 0), std::vector<uint8_t>(file.end() - 768, file.end()));
  // Read back, it carries errPalette, and saving it is refused.
  cPcxImg read;
  EXPECT_EQ(errPalette, read.loadFile(scratchName("rgb.pcx").c_str()));
  EXPECT_EQ(0, std::memcmp(image.pixels->getRow(1), read.pixels->getRow(1), 9));
  EXPECT_EQ(errPalette, read.saveFile(scratchName("rgb.pcx").c_str()));
  EXPECT_EQ(file, scratchBytes("rgb.pcx"));
}

class PcxWriterRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    makePicture(image, 4, 4, 8, 256, 256, index256);
    makePcxHeader(image, 8, 1, 4);
  }
  int32_t saveOverKept() { return kept.saveOver(image); }
  writertest::KeptFile kept{"keep.pcx"};
  cPcxImg image;
};

TEST_F(PcxWriterRefusal, NoPixelStore) {
  delete image.pixels;
  image.pixels = nullptr;
  EXPECT_EQ(errFormat, saveOverKept());
}

TEST_F(PcxWriterRefusal, AWindowThatIsNotThePicture) {
  image.header.xMax = 9;  // xMax 9: 10 pixels wide, the store holds 4
  EXPECT_EQ(errFormat, saveOverKept());
}

TEST_F(PcxWriterRefusal, AHeaderTheReaderWouldRefuse) {
  image.header.manufacturer = 11;
  EXPECT_EQ(errFormat, saveOverKept());
}

TEST_F(PcxWriterRefusal, PlanesOfBitsThatDoNotDivideAByte) {
  // 3 bits x 8 planes and 6 bits x 4 planes make 24 bits, but would not
  // read back as written.
  for (uint8_t bits : {3, 6}) {
    cPcxImg odd;
    makePicture(odd, 4, 2, 24, 1u << 24, 0, [](int32_t x, int32_t y, int32_t k) { return uint8_t(x + y + k); });
    makePcxHeader(odd, bits, static_cast<uint8_t>(24 / bits), 2);
    EXPECT_EQ(errFormat, kept.saveOver(odd)) << int(bits);
  }
}

TEST_F(PcxWriterRefusal, APaletteShorterThanItsColours) {
  delete image.palette;
  image.palette = new cPalette(255);
  image.pixels->palette = image.palette;
  EXPECT_EQ(errPalette, saveOverKept());
}

TEST_F(PcxWriterRefusal, LinesLongerThanTheHeaderCanSay) {
  cPcxImg wide;
  makePicture(wide, 65536, 1, 8, 256, 256, index256);
  makePcxHeader(wide, 8, 1, 0);
  EXPECT_EQ(errFormat, kept.saveOver(wide));
}

TEST(PcxWriterFailures, AnOldSystemErrorIsNoReasonToRefuse) {
  cPcxImg image;
  makePicture(image, 4, 2, 8, 256, 256, index256);
  makePcxHeader(image, 8, 1, 4);
  image.systemError = 38;  // left by the read of a truncated file
  EXPECT_EQ(errNone, image.saveFile(scratchName("stale.pcx").c_str()));
  expectReadsBackAs(image, "stale.pcx");
}

TEST(PcxWriterFailures, WritesThatFailAreErrWrite) {
  cPcxImg image;
  makePicture(image, 200, 200, 8, 256, 256, index256);
  makePcxHeader(image, 8, 1, 200);
  EXPECT_EQ(errWrite, image.saveFile(testfiles::wide("/dev/full").c_str()));
  EXPECT_EQ(nullptr, image.fileHandle);

  // The header fits, the rows do not.
  cPcxImg rows;
  makePicture(rows, 400, 400, 8, 256, 256, [](int32_t x, int32_t y, int32_t) { return uint8_t(x * y); });
  makePcxHeader(rows, 8, 1, 400);
  EXPECT_EQ(errWrite, writertest::saveUnderFileSizeLimit(
                          4096, [&] { return rows.saveFile(scratchName("cut.pcx").c_str()); }));
  EXPECT_NE(0u, rows.getSystemError());
}

}  // namespace
