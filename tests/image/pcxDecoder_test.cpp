// PCX rows: runs and literal bytes, byte planes and bit planes, runs across
// planes and rows, line padding, the reorder tables, and the row the data
// ends in.
#include "image/pcx/pcxDecoder.h"

#include <gtest/gtest.h>

#include "image/imgStore.h"
#include "image/pcx/pcxImg.h"
#include "tests/image/imageTestFiles.h"

using testfiles::loadBytes;
using testfiles::pcxHeader;
using bytes = std::vector<uint8_t>;

namespace {

int32_t load(cPcxImg& image, bytes file, const bytes& data, bool withTrailer = false) {
  file.insert(file.end(), data.begin(), data.end());
  if (withTrailer) {
    file.push_back(0x0C);
    file.insert(file.end(), 768, 0);
  }
  return loadBytes(image, "rows.pcx", file);
}

bytes row(const cPcxImg& image, int32_t index) {
  const uint8_t* data = image.pixels ? image.pixels->getRow(index) : nullptr;
  if (!data) return {};
  return bytes(data, data + image.pixels->rowBytes);
}

}  // namespace

TEST(PcxReorder, GroupsOfBitsAreReversed) {
  EXPECT_EQ(pcxReorder(1, 0x01), 0x80);
  EXPECT_EQ(pcxReorder(1, 0xA0), 0x05);
  EXPECT_EQ(pcxReorder(2, 0x1B), 0xE4);  // 00 01 10 11 -> 11 10 01 00
  EXPECT_EQ(pcxReorder(4, 0x12), 0x21);
  EXPECT_EQ(pcxReorder(3, 0x12), 0x12);
  EXPECT_EQ(pcxReorder(8, 0x12), 0x12);
}

TEST(PcxRuns, CodeBytesWithTheTopBitsSetAreRuns) {
  cPcxImg image;
  // 0xC1 0xC5: one byte 0xC5; 0xC0 x: nothing; 0xC3 7: three sevens.
  ASSERT_EQ(load(image, pcxHeader(8, 1, 5, 1, 5), {0xC1, 0xC5, 0xC0, 99, 0xC3, 7, 0x3F}, true), errNone);
  EXPECT_EQ(row(image, 0), (bytes{0xC5, 7, 7, 7, 0x3F}));
}

// A run of 63 that starts 10 bytes before the end of plane 0's line fills
// those 10 bytes and the first 53 of plane 1.
TEST(PcxRuns, RunContinuesIntoTheNextPlane) {
  cPcxImg image;
  bytes data = {0xC0 | 60, 1, 0xFF, 2, 0xC0 | 7, 3, 0xC0 | 60, 4, 0xC0 | 60, 5};
  ASSERT_EQ(load(image, pcxHeader(8, 3, 70, 1, 70), data), errPalette);
  bytes expected(210);
  for (int x = 0; x < 70; ++x) {
    expected[3 * x] = x < 60 ? 1 : 2;
    expected[3 * x + 1] = x < 53 ? 2 : x < 60 ? 3 : 4;
    expected[3 * x + 2] = x < 50 ? 4 : 5;
  }
  EXPECT_EQ(row(image, 0), expected);
}

// What reaches past the last plane of a row is dropped; the next row starts
// with a fresh code byte.
TEST(PcxRuns, RunPastTheRowIsDropped) {
  cPcxImg image;
  ASSERT_EQ(load(image, pcxHeader(8, 1, 3, 2, 3), {0xC5, 9, 4, 5, 6}, true), errNone);
  EXPECT_EQ(row(image, 0), (bytes{9, 9, 9}));
  EXPECT_EQ(row(image, 1), (bytes{4, 5, 6}));
}

TEST(PcxRuns, LinePaddingIsReadAndDropped) {
  cPcxImg image;
  ASSERT_EQ(load(image, pcxHeader(8, 1, 3, 2, 4), {1, 2, 3, 0x2E, 4, 5, 6, 0x2E}, true), errNone);
  EXPECT_EQ(row(image, 0), (bytes{1, 2, 3}));
  EXPECT_EQ(row(image, 1), (bytes{4, 5, 6}));
}

TEST(PcxRuns, PlaneLineTooShortLeavesPixelsBlack) {
  cPcxImg image;
  ASSERT_EQ(load(image, pcxHeader(8, 1, 4, 1, 2), {1, 2}, true), errNone);
  EXPECT_EQ(row(image, 0), (bytes{1, 2, 0, 0}));
}

// One plane of 1 bit is stored eight pixels at a time, over whatever the
// row held: pixels beyond a short line become 0, bytes beyond the row's
// capacity stay as they were.
TEST(PcxBitPlanes, OnePlaneOfOneBitOverwritesTheRowUpToItsCapacity) {
  bytes file = pcxHeader(1, 1, 21, 1, 2);
  for (uint8_t data : {0xA5, 0xC1, 0xFF}) file.push_back(data);
  testfiles::writeFile(testfiles::scratchPath("short1.pcx"), file);
  cPcxImg image;
  ASSERT_EQ(image.openForRead(testfiles::wide(testfiles::scratchPath("short1.pcx")).c_str()), 1);
  ASSERT_EQ(image.readHeader(), errNone);
  cPcxDecoder decoder(&image, image.header);
  decoder.begin();
  bytes buffer(24, 7);
  decoder.setRowCapacity(21);
  decoder.decodeLine(buffer.data(), 21);
  EXPECT_TRUE(decoder.lastRowComplete());
  EXPECT_EQ(buffer, (bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 7, 7, 7}));
  image.closeFile();
}

// 1 bit x 4 planes: index = p0 + 2 p1 + 4 p2 + 8 p3, leftmost pixel in the
// top bit.
TEST(PcxBitPlanes, FourPlanesOfOneBit) {
  cPcxImg image;
  ASSERT_EQ(load(image, pcxHeader(1, 4, 10, 1, 2), {0x80, 0x40, 0x40, 0x00, 0xC1, 0x80, 0x80, 0x40, 0x00}),
            errNone);
  EXPECT_EQ(row(image, 0), (bytes{1 + 4, 2 + 8, 0, 0, 0, 0, 0, 0, 4, 1}));
}

TEST(PcxBitPlanes, TwoPlanesOfTwoBits) {
  cPcxImg image;
  // Plane 0 gives the low pair, plane 1 the high pair.
  ASSERT_EQ(load(image, pcxHeader(2, 2, 4, 1, 1), {0x1B, 0xC1, 0xE4}), errNone);
  EXPECT_EQ(row(image, 0), (bytes{0 + 4 * 3, 1 + 4 * 2, 2 + 4 * 1, 3 + 4 * 0}));
}

TEST(PcxBitPlanes, OnePlaneOfFourBits) {
  cPcxImg image;
  ASSERT_EQ(load(image, pcxHeader(4, 1, 3, 1, 2), {0x12, 0x30}), errNone);
  EXPECT_EQ(row(image, 0), (bytes{1, 2, 3}));
}

// Eight pixels at a time must give what one pixel at a time gives: a wide
// 1 x 4 row with all byte values.
TEST(PcxBitPlanes, WideRowsMatchPixelByPixel) {
  const int width = 256 * 8;
  bytes data;
  for (int plane = 0; plane < 4; ++plane)
    for (int x = 0; x < 256; ++x) {
      const uint8_t v = static_cast<uint8_t>(x * (plane + 1) * 37);
      if (v >= 0xC0) data.push_back(0xC1);
      data.push_back(v);
    }
  cPcxImg image;
  ASSERT_EQ(load(image, pcxHeader(1, 4, width, 1, 256), data), errNone);
  bytes got = row(image, 0);
  ASSERT_EQ(got.size(), static_cast<size_t>(width));
  for (int i = 0; i < width; ++i) {
    int expected = 0;
    for (int plane = 0; plane < 4; ++plane) {
      const uint8_t v = static_cast<uint8_t>((i / 8) * (plane + 1) * 37);
      expected |= ((v >> (7 - i % 8)) & 1) << plane;
    }
    ASSERT_EQ(got[i], expected) << i;
  }
}

// The file ends right after the last row: that row is stored. A row cut
// short by the end of the file is not: it stays black.
TEST(PcxEnd, LastRowEndingTheFileIsStored) {
  cPcxImg image;
  ASSERT_EQ(load(image, pcxHeader(4, 1, 2, 2, 1), {0x12, 0x34}), errNone);
  EXPECT_EQ(row(image, 0), (bytes{1, 2}));
  EXPECT_EQ(row(image, 1), (bytes{3, 4}));
}

TEST(PcxEnd, RowCutShortByTheFileStaysBlack) {
  cPcxImg image;
  ASSERT_EQ(load(image, pcxHeader(8, 3, 2, 3, 2), {1, 2, 3, 4, 5, 6, 7, 8, 9}), errPalette);
  EXPECT_EQ(row(image, 0), (bytes{1, 3, 5, 2, 4, 6}));
  EXPECT_EQ(row(image, 1), (bytes{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(row(image, 2), (bytes{0, 0, 0, 0, 0, 0}));
  cPcxImg runCut;
  // The second row's run has lost its value byte.
  ASSERT_EQ(load(runCut, pcxHeader(1, 1, 8, 2, 1), {0xC1, 0xFF, 0xFF}), errNone);
  EXPECT_EQ(row(runCut, 0), (bytes(8, 1)));
  EXPECT_EQ(row(runCut, 1), (bytes(8, 0)));
}

TEST(PcxEnd, DecoderStatusAfterTheEnd) {
  bytes file = pcxHeader(8, 1, 2, 1, 2);
  testfiles::writeFile(testfiles::scratchPath("dec.pcx"), file);
  cPcxImg image;
  ASSERT_EQ(image.openForRead(testfiles::wide(testfiles::scratchPath("dec.pcx")).c_str()), 1);
  ASSERT_EQ(image.readHeader(), errNone);
  cPcxDecoder decoder(&image, image.header);
  EXPECT_EQ(decoder.begin(), cPcxDecoder::statusEndOfFile);
  uint8_t buffer[2] = {5, 5};
  decoder.setRowCapacity(2);
  EXPECT_EQ(decoder.decodeLine(buffer, 2), cPcxDecoder::statusEndOfFile);
  EXPECT_FALSE(decoder.lastRowComplete());
  EXPECT_EQ(buffer[0], 5);
}

namespace {

// The plane lines of every row as a reader taking one code byte at a time
// sees them: runs (including empty ones) may cross planes but not rows.
std::vector<bytes> referenceLines(const bytes& data, uint32_t planes, uint32_t length, uint32_t rows) {
  std::vector<bytes> lines;
  size_t at = 0;
  for (uint32_t r = 0; r < rows; ++r) {
    bytes row;
    while (row.size() < size_t{planes} * length && at < data.size()) {
      const uint8_t code = data[at++];
      uint32_t count = 1;
      uint8_t value = code;
      if ((code & 0xC0) == 0xC0) {
        count = code & 0x3F;
        value = data[at++];
      }
      while (count-- > 0 && row.size() < size_t{planes} * length) row.push_back(value);
    }
    lines.push_back(row);
  }
  return lines;
}

// Coded data for `rows` rows: literals, runs of every length (0 included)
// that often cross plane ends, and runs cut at the row's end.
bytes randomCodedRows(uint32_t planes, uint32_t length, uint32_t rows, uint32_t seed) {
  bytes data;
  testfiles::RepeatableNumbers numbers(seed);
  auto next = [&numbers] { return numbers.next(); };
  for (uint32_t r = 0; r < rows; ++r) {
    uint32_t filled = 0;
    while (filled < planes * length) {
      if (next() % 8 == 0) {
        const uint32_t count = next() % (next() % 4 == 0 ? 64 : 8);
        data.push_back(static_cast<uint8_t>(0xC0 | count));
        data.push_back(static_cast<uint8_t>(next()));
        filled += count;
      } else {
        data.push_back(static_cast<uint8_t>(next() % 0xC0));
        ++filled;
      }
    }
  }
  return data;
}

}  // namespace

// Code bytes are scanned straight from the read buffer: runs whose value
// byte lies beyond it, and data much longer than it, must decode exactly as
// byte by byte.
TEST(PcxRuns, DataAcrossManyReadBuffersDecodesAsByteByByte) {
  struct Form {
    uint8_t bits, planes;
  };
  for (Form form : {Form{8, 3}, Form{8, 1}, Form{1, 4}, Form{1, 1}, Form{4, 1}, Form{2, 2}}) {
    const uint16_t width = 997;
    const uint32_t perByte = 8 / form.bits;
    const uint16_t length = static_cast<uint16_t>((width + perByte - 1) / perByte + 3);
    const uint16_t height = form.bits == 8 ? 300 : 3000;
    const bytes data = randomCodedRows(form.planes, length, height, 7u + form.bits * 31u + form.planes);
    ASSERT_GT(data.size(), size_t{2} << 16) << "data spans several read buffers: " << int(form.bits) << "x" << int(form.planes);
    cPcxImg image;
    const int32_t result = load(image, pcxHeader(form.bits, form.planes, width, height, length), data, form.bits * form.planes == 8);
    ASSERT_TRUE(result == errNone || (result == errPalette && form.planes == 3)) << result;
    const std::vector<bytes> lines = referenceLines(data, form.planes, length, height);
    for (uint32_t r = 0; r < height; ++r) {
      bytes expected(image.pixels->rowBytes, 0);
      for (uint32_t j = 0; j < form.planes; ++j)
        for (uint32_t x = 0; x < length; ++x) {
          const uint8_t v = lines[r][j * length + x];
          if (form.bits == 8) {
            if (x < width) expected[x * form.planes + j] = v;
            continue;
          }
          for (uint32_t k = 0; k < perByte; ++k) {
            const uint32_t pixel = x * perByte + k;
            const uint32_t value = (v >> (8 - form.bits * (k + 1))) & ((1u << form.bits) - 1);
            if (pixel < width) expected[pixel] = static_cast<uint8_t>(expected[pixel] | (value << (j * form.bits)));
          }
        }
      ASSERT_EQ(row(image, static_cast<int32_t>(r)), expected)
          << int(form.bits) << "x" << int(form.planes) << " row " << r;
    }
  }
}
