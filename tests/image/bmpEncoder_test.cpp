// cBmpEncoder: the bytes of one row at every depth, with its zero fill up
// to whole 32-bit words, and the status it reports.
#include "image/bmp/bmpEncoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/bmp/bmpImg.h"
#include "imageTestFiles.h"

namespace {

// Encodes `rows` (each `pixels` wide) at `bits` and returns the file's bytes.
std::vector<uint8_t> encode(int32_t bits, int32_t pixels, const std::vector<std::vector<uint8_t>>& rows) {
  const std::string path = testfiles::scratchPath("rows-" + std::to_string(bits) + ".bin");
  cBmpImg image;
  EXPECT_EQ(1, image.openForWrite(testfiles::wide(path).c_str()));
  cBmpEncoder encoder(&image, bits);
  for (const auto& row : rows) EXPECT_EQ(0, encoder.encodeLine(row.data(), pixels));
  image.closeFile();
  return testfiles::readFile(path);
}

TEST(BmpEncoder, OneBitRowsPackEightPixelsMostSignificantFirst) {
  // Any non-zero pixel sets its bit; the row is filled up to 4 bytes.
  EXPECT_EQ((std::vector<uint8_t>{0x50, 0, 0, 0}), encode(1, 4, {{0, 5, 0, 1}}));
  std::vector<uint8_t> wide(33, 0);
  wide[0] = wide[7] = wide[8] = wide[32] = 1;
  EXPECT_EQ((std::vector<uint8_t>{0x81, 0x80, 0, 0, 0x80, 0, 0, 0}), encode(1, 33, {wide}));
}

TEST(BmpEncoder, FourBitRowsPutTheFirstPixelInTheHighNibble) {
  EXPECT_EQ((std::vector<uint8_t>{0x12, 0x34, 0x50, 0}), encode(4, 5, {{1, 2, 3, 4, 5}}));
  EXPECT_EQ((std::vector<uint8_t>{0xAB, 0xCD, 0xEF, 0x01}), encode(4, 8, {{10, 11, 12, 13, 14, 15, 0, 1}}));
}

TEST(BmpEncoder, EightBitRowsAreFilledToWholeWords) {
  EXPECT_EQ((std::vector<uint8_t>{7, 8, 9, 0, 1, 2, 3, 0}), encode(8, 3, {{7, 8, 9}, {1, 2, 3}}));
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4}), encode(8, 4, {{1, 2, 3, 4}}));
}

TEST(BmpEncoder, TwentyFourBitRowsGoOutBlueGreenRedAndLeaveTheRowAlone) {
  std::vector<uint8_t> row = {1, 2, 3, 4, 5, 6};
  const std::string path = testfiles::scratchPath("rgb.bin");
  cBmpImg image;
  ASSERT_EQ(1, image.openForWrite(testfiles::wide(path).c_str()));
  cBmpEncoder encoder(&image, 24);
  EXPECT_EQ(0, encoder.encodeLine(row.data(), 2));
  image.closeFile();
  EXPECT_EQ((std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 0, 0}), testfiles::readFile(path));
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5, 6}), row);
}

TEST(BmpEncoder, TwentyFourBitRowsOfEveryShortWidthSwapEveryPixel) {
  // Pixels go out several at a time: every width up to a few steps of that,
  // each byte its own value, so a pixel moved, lost or half swapped shows.
  for (int32_t n = 1; n <= 40; ++n) {
    std::vector<uint8_t> row(3 * static_cast<size_t>(n));
    for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i + 1);
    const std::vector<uint8_t> bytes = encode(24, n, {row});
    ASSERT_EQ(static_cast<size_t>(cBmpEncoder::fileRowBytes(24, n)), bytes.size()) << n;
    for (int32_t x = 0; x < n; ++x)
      for (int32_t c = 0; c < 3; ++c) ASSERT_EQ(row[3 * x + 2 - c], bytes[3 * x + c]) << n << ": " << x << "," << c;
    for (size_t k = row.size(); k < bytes.size(); ++k) EXPECT_EQ(0, bytes[k]) << n;
  }
}

TEST(BmpEncoder, RowsLongerThanItsPiecesComeOutWhole) {
  // 5001 pixels of 24 bits: 15003 bytes and one fill byte, written in pieces.
  std::vector<uint8_t> row(3 * 5001);
  for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i * 7 + i / 256);
  const std::vector<uint8_t> bytes = encode(24, 5001, {row, row});
  ASSERT_EQ(2u * 15004u, bytes.size());
  for (size_t r = 0; r < 2; ++r) {
    for (size_t x = 0; x < 5001; ++x) {
      ASSERT_EQ(row[3 * x + 2], bytes[r * 15004 + 3 * x]) << x;
      ASSERT_EQ(row[3 * x + 1], bytes[r * 15004 + 3 * x + 1]) << x;
      ASSERT_EQ(row[3 * x], bytes[r * 15004 + 3 * x + 2]) << x;
    }
    EXPECT_EQ(0, bytes[r * 15004 + 15003]);
  }
  // A 1-bit row of 40000 pixels, all set: 5000 bytes of 0xFF, no fill.
  const std::vector<uint8_t> ones = encode(1, 40000, {std::vector<uint8_t>(40000, 1)});
  EXPECT_EQ(std::vector<uint8_t>(5000, 0xFF), ones);
}

TEST(BmpEncoder, OtherDepthsWriteNothing) {
  EXPECT_TRUE(encode(16, 2, {{1, 2, 3, 4}}).empty());
  EXPECT_TRUE(encode(32, 1, {{1, 2, 3, 4}}).empty());
  EXPECT_EQ(-1, cBmpEncoder::fileRowBytes(16, 4));
  EXPECT_EQ(-1, cBmpEncoder::fileRowBytes(8, -1));
  EXPECT_EQ(-1, cBmpEncoder::fileRowBytes(24, 0x40000000));  // does not fit 31 bits
  EXPECT_EQ(16, cBmpEncoder::fileRowBytes(1, 100));
  EXPECT_EQ(12, cBmpEncoder::fileRowBytes(24, 3));
}

TEST(BmpEncoder, StatusIsTheImagesSystemError) {
  cBmpImg image;
  cBmpEncoder encoder(&image, 8);
  EXPECT_EQ(0, encoder.getStatus());
  // No file open: the bytes go nowhere and nothing is recorded...
  const uint8_t row[4] = {1, 2, 3, 4};
  EXPECT_EQ(0, encoder.encodeLine(row, 4));
  // ...but any code the image records stops the encoder.
  image.systemError = 112;
  EXPECT_EQ(112, encoder.getStatus());
  EXPECT_EQ(112, encoder.encodeLine(row, 4));
}

TEST(BmpEncoder, AMissingRowIsWrittenBlack) {
  const std::string path = testfiles::scratchPath("null-row.bin");
  cBmpImg image;
  ASSERT_EQ(1, image.openForWrite(testfiles::wide(path).c_str()));
  cBmpEncoder encoder(&image, 24);
  EXPECT_EQ(0, encoder.encodeLine(nullptr, 3));
  image.closeFile();
  EXPECT_EQ(std::vector<uint8_t>(12, 0), testfiles::readFile(path));
}

}  // namespace
