// cPcxEncoder: the run-length coding of plane lines (runs of 63 and their
// remainders, single bytes with and without a count byte, padding), the
// byte-plane and bit-plane splits, the line buffer's bound and the status.
#include "image/pcx/pcxEncoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/pcx/pcxImg.h"
#include "imageTestFiles.h"

namespace {

pcxHeader header(uint8_t bits, uint8_t planes, uint16_t bytesPerPlaneLine) {
  pcxHeader h;
  h.bitsPerPlane = bits;
  h.planeCount = planes;
  h.bytesPerPlaneLine = bytesPerPlaneLine;
  return h;
}

// Encodes `rows` of `pixels` pixels with the given plane layout.
std::vector<uint8_t> encode(uint8_t bits, uint8_t planes, uint16_t bytesPerPlaneLine, int32_t pixels,
                            const std::vector<std::vector<uint8_t>>& rows) {
  const std::string path = testfiles::scratchPath("pcx-rows.bin");
  cPcxImg image;
  EXPECT_EQ(1, image.openForWrite(testfiles::wide(path).c_str()));
  const pcxHeader h = header(bits, planes, bytesPerPlaneLine);
  cPcxEncoder encoder(&image, h);
  EXPECT_EQ(0, encoder.begin());
  for (const auto& row : rows) EXPECT_EQ(0, encoder.encodeLine(row.data(), pixels));
  EXPECT_EQ(0, encoder.finish());
  image.closeFile();
  return testfiles::readFile(path);
}

std::vector<uint8_t> line(size_t count, uint8_t value) { return std::vector<uint8_t>(count, value); }

TEST(PcxEncoderRuns, LongRunsSplitIntoSixtyThrees) {
  EXPECT_EQ((std::vector<uint8_t>{0xFF, 7, 0xFF, 7, 0xC4, 7}), encode(8, 1, 130, 130, {line(130, 7)}));
  EXPECT_EQ((std::vector<uint8_t>{0xFF, 7, 7}), encode(8, 1, 64, 64, {line(64, 7)}));
  EXPECT_EQ((std::vector<uint8_t>{0xFF, 9, 0xFF, 9}), encode(8, 1, 126, 126, {line(126, 9)}));
  // A remainder of one byte of 0xC0 or above still needs its count byte.
  EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xD0, 0xC1, 0xD0}), encode(8, 1, 64, 64, {line(64, 0xD0)}));
}

TEST(PcxEncoderRuns, SingleBytesStandAloneBelowC0) {
  EXPECT_EQ((std::vector<uint8_t>{0xC1, 0xC0}), encode(8, 1, 1, 1, {{0xC0}}));
  EXPECT_EQ((std::vector<uint8_t>{0xBF}), encode(8, 1, 1, 1, {{0xBF}}));
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 0xC2, 3, 0xC1, 0xFF}), encode(8, 1, 5, 5, {{1, 2, 3, 3, 0xFF}}));
}

TEST(PcxEncoderRuns, RunsNeverCrossALineOrARow) {
  // Two rows of the same byte: each row is its own run, padding included.
  EXPECT_EQ((std::vector<uint8_t>{0xC4, 5, 0xC4, 5}), encode(8, 1, 4, 4, {line(4, 5), line(4, 5)}));
  // Padding bytes beyond the pixels are zero and coded with the line.
  EXPECT_EQ((std::vector<uint8_t>{0xC3, 5, 0}), encode(8, 1, 4, 3, {line(3, 5)}));
}

TEST(PcxEncoderPlanes, TwentyFourBitRowsBecomeRedGreenAndBlueLines) {
  const std::vector<uint8_t> row = {1, 2, 3, 1, 2, 4};  // two pixels, red 1, green 2
  EXPECT_EQ((std::vector<uint8_t>{0xC2, 1, 0xC2, 2, 3, 4}), encode(8, 3, 2, 2, {row}));
}

TEST(PcxEncoderPlanes, BitPlanesPackLeftmostPixelsIntoTheTopBits) {
  // 1 bit x 4 planes: pixel value bit j goes to plane j.
  const std::vector<uint8_t> row = {0x1, 0x2, 0x4, 0x8, 0xF, 0x0, 0x0, 0x0, 0x1};
  EXPECT_EQ((std::vector<uint8_t>{0x88, 0x80, 0x48, 0, 0x28, 0, 0x18, 0}), encode(1, 4, 2, 9, {row}));
  // 2 bits x 2 planes: low pairs in plane 0, high pairs in plane 1.
  EXPECT_EQ((std::vector<uint8_t>{0x1B, 0, 0x6C, 0}), encode(2, 2, 2, 4, {{0x4, 0x9, 0xE, 0x3}}));
  // 4 bits x 1 plane: the first pixel in the high nibble (0xC0 needs a count).
  EXPECT_EQ((std::vector<uint8_t>{0xAB, 0xC1, 0xC0}), encode(4, 1, 2, 3, {{0xA, 0xB, 0xC}}));
  // 1 bit x 1 plane (0 taken as 1).
  EXPECT_EQ((std::vector<uint8_t>{0xA0, 0}), encode(0, 0, 2, 3, {{1, 0, 1}}));
}

TEST(PcxEncoderPlanes, RowsWiderThanTheLineAreCutAtTheBuffer) {
  // 20 pixels of 8 bits, but lines of 4 bytes: only 4 go out, nothing beyond.
  std::vector<uint8_t> row(20);
  for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i + 1);
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4}), encode(8, 1, 4, 20, {row}));
  EXPECT_EQ((std::vector<uint8_t>{0xC1, 0xFF}), encode(1, 1, 1, 20, {line(20, 1)}));
}

TEST(PcxEncoderStatus, StopsOnceTheImageRecordsAFailure) {
  const std::string path = testfiles::scratchPath("pcx-status.bin");
  cPcxImg image;
  ASSERT_EQ(1, image.openForWrite(testfiles::wide(path).c_str()));
  const pcxHeader h = header(8, 1, 2);
  cPcxEncoder encoder(&image, h);
  EXPECT_EQ(0, encoder.begin());
  image.systemError = 5;
  EXPECT_EQ(4, encoder.getStatus());
  image.systemError = 0;
  const uint8_t row[2] = {1, 2};
  EXPECT_EQ(4, encoder.encodeLine(row, 2));  // sticky: nothing more is written
  EXPECT_EQ(0, encoder.begin());             // only begin clears it
  image.closeFile();
  EXPECT_TRUE(testfiles::readFile(path).empty());
}

}  // namespace
