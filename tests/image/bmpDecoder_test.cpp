// BMP rows: uncompressed rows of each depth with their fill bytes, RLE8 and
// RLE4 runs and escapes, and what becomes of the row the data ends in.
#include "image/bmp/bmpDecoder.h"

#include <gtest/gtest.h>

#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "tests/image/imageTestFiles.h"

using testfiles::bmpInfoFile;
using testfiles::loadBytes;

namespace {

std::vector<uint8_t> row(const cBmpImg& image, int32_t index) {
  const uint8_t* data = image.pixels ? image.pixels->getRow(index) : nullptr;
  if (!data) return {};
  return std::vector<uint8_t>(data, data + image.pixels->rowBytes);
}

using bytes = std::vector<uint8_t>;

// Loads an 8-bit (or 4-bit) picture with a two-entry palette.
int32_t load(cBmpImg& image, int32_t width, int32_t height, uint16_t bits, uint32_t compression,
             const bytes& data) {
  return loadBytes(image, "rows.bmp", bmpInfoFile(width, height, bits, compression, 2, data, 2));
}

}  // namespace

// The file's first row is the picture's bottom row; spare bytes after the
// pixel data change nothing.
TEST(BmpRaw, EightBitRowsRunBottomUp) {
  cBmpImg image;
  ASSERT_EQ(load(image, 3, 2, 8, 0, {1, 2, 3, 0, 4, 5, 6, 0, 0xEE, 0xEE}), errNone);
  EXPECT_EQ(row(image, 1), (bytes{1, 2, 3}));
  EXPECT_EQ(row(image, 0), (bytes{4, 5, 6}));
}

TEST(BmpRaw, TrueColourIsStoredRedGreenBlue) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "rgb.bmp", bmpInfoFile(2, 1, 24, 0, 0, {10, 20, 30, 1, 2, 3, 0, 0})), errNone);
  EXPECT_EQ(row(image, 0), (bytes{30, 20, 10, 3, 2, 1}));
}

TEST(BmpRaw, OneBitRowsMostSignificantBitFirst) {
  cBmpImg image;
  // 10 pixels: two bytes and two fill bytes per row.
  ASSERT_EQ(loadBytes(image, "one.bmp", bmpInfoFile(10, 2, 1, 0, 2, {0xA5, 0xC0, 9, 9, 0x01, 0x40, 9, 9})),
            errNone);
  EXPECT_EQ(row(image, 1), (bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1}));
  EXPECT_EQ(row(image, 0), (bytes{0, 0, 0, 0, 0, 0, 0, 1, 0, 1}));
}

TEST(BmpRaw, FourBitRowsHighNibbleFirst) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "four.bmp", bmpInfoFile(3, 2, 4, 0, 16, {0x12, 0x3F, 7, 7, 0xAB, 0xC0, 7, 7})),
            errNone);
  EXPECT_EQ(row(image, 1), (bytes{1, 2, 3}));
  EXPECT_EQ(row(image, 0), (bytes{10, 11, 12}));
}

// The data ends exactly at the end of the file: the last row read (the top
// row) is stored although the status turns to end of file right after it.
TEST(BmpRaw, LastRowEndingTheFileIsStored) {
  cBmpImg image;
  ASSERT_EQ(load(image, 4, 2, 8, 0, {1, 2, 3, 4, 5, 6, 7, 8}), errNone);
  EXPECT_EQ(row(image, 0), (bytes{5, 6, 7, 8}));
  EXPECT_EQ(row(image, 1), (bytes{1, 2, 3, 4}));
  // Also when the file ends after the pixels but before the fill bytes.
  cBmpImg unpadded;
  ASSERT_EQ(load(unpadded, 3, 2, 8, 0, {1, 2, 3, 0, 4, 5, 6}), errNone);
  EXPECT_EQ(row(unpadded, 0), (bytes{4, 5, 6}));
}

// A row that is only partly in the file is dropped: it stays black, and so
// do the rows above it.
TEST(BmpRaw, RowCutShortByTheFileStaysBlack) {
  cBmpImg image;
  ASSERT_EQ(load(image, 4, 3, 8, 0, {1, 2, 3, 4, 5, 6}), errNone);
  EXPECT_EQ(row(image, 2), (bytes{1, 2, 3, 4}));
  EXPECT_EQ(row(image, 1), (bytes{0, 0, 0, 0}));
  EXPECT_EQ(row(image, 0), (bytes{0, 0, 0, 0}));
  cBmpImg truecolour;
  ASSERT_EQ(loadBytes(truecolour, "cut24.bmp", bmpInfoFile(2, 2, 24, 0, 0, {1, 2, 3, 4, 5, 6, 0, 0, 7})),
            errNone);
  EXPECT_EQ(row(truecolour, 1), (bytes{3, 2, 1, 6, 5, 4}));
  EXPECT_EQ(row(truecolour, 0), (bytes{0, 0, 0, 0, 0, 0}));
}

TEST(BmpRaw, PixelOffsetBeyondTheFileLeavesRowsBlack) {
  bytes file = bmpInfoFile(2, 1, 8, 0, 2, {7, 7, 0, 0}, 2);
  file[10] = 0xFF;
  file[11] = 0x7F;
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "far.bmp", file), errNone);
  EXPECT_EQ(row(image, 0), (bytes{0, 0}));
  file[13] = 0x80;  // 2^31 and more cannot be reached at all
  cBmpImg beyond;
  ASSERT_EQ(loadBytes(beyond, "farther.bmp", file), errNone);
  EXPECT_EQ(row(beyond, 0), (bytes{0, 0}));
}

TEST(BmpRaw, UnsupportedCompressionStopsBeforeTheFirstRow) {
  cBmpImg image;
  ASSERT_EQ(load(image, 2, 1, 8, 3, {5, 5, 0, 0}), errNone);
  EXPECT_EQ(row(image, 0), (bytes{0, 0}));
  EXPECT_NE(image.palette, nullptr);
}

TEST(BmpRle8, EncodedRunThenEndOfLineKeepsTheRestOfThePreviousRow) {
  cBmpImg image;
  ASSERT_EQ(load(image, 5, 2, 8, 1, {5, 9, 0, 0, 3, 5, 0, 0, 0, 1}), errNone);
  EXPECT_EQ(row(image, 1), (bytes{9, 9, 9, 9, 9}));
  EXPECT_EQ(row(image, 0), (bytes{5, 5, 5, 9, 9}));
}

TEST(BmpRle8, LiteralRunWithItsFillByte) {
  cBmpImg image;
  ASSERT_EQ(load(image, 3, 1, 8, 1, {0, 3, 1, 2, 3, 0, 0, 0, 0, 1}), errNone);
  EXPECT_EQ(row(image, 0), (bytes{1, 2, 3}));
}

TEST(BmpRle8, EncodedRunLongerThanTheRowIsCut) {
  cBmpImg image;
  ASSERT_EQ(load(image, 4, 2, 8, 1, {10, 7, 0, 0, 2, 8, 0, 0}), errNone);
  EXPECT_EQ(row(image, 1), (bytes{7, 7, 7, 7}));
  EXPECT_EQ(row(image, 0), (bytes{8, 8, 7, 7}));
}

// A literal run longer than the room left is read whole; the pair after it
// is read where the encoder put it.
TEST(BmpRle8, LiteralRunLongerThanTheRowIsReadWhole) {
  cBmpImg image;
  ASSERT_EQ(load(image, 2, 2, 8, 1, {0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 2, 6, 0, 1}), errNone);
  EXPECT_EQ(row(image, 1), (bytes{1, 2}));
  EXPECT_EQ(row(image, 0), (bytes{6, 6}));
}

// End of bitmap ends the row, which is stored; the rows above stay black.
TEST(BmpRle8, EndOfBitmapKeepsItsRow) {
  cBmpImg image;
  ASSERT_EQ(load(image, 2, 3, 8, 1, {2, 4, 0, 1, 2, 9, 0, 0}), errNone);
  EXPECT_EQ(row(image, 2), (bytes{4, 4}));
  EXPECT_EQ(row(image, 1), (bytes{0, 0}));
  EXPECT_EQ(row(image, 0), (bytes{0, 0}));
}

TEST(BmpRle8, DeltaStopsDecoding) {
  cBmpImg image;
  ASSERT_EQ(load(image, 2, 2, 8, 1, {2, 4, 0, 0, 0, 2, 1, 1, 2, 5, 0, 1}), errNone);
  EXPECT_EQ(row(image, 1), (bytes{4, 4}));
  EXPECT_EQ(row(image, 0), (bytes{0, 0}));
}

// The file ends inside a row: the part read is not stored. A row that was
// filled before the file ended (no end-of-line) is kept.
TEST(BmpRle8, RowCutShortByTheFile) {
  cBmpImg cut;
  ASSERT_EQ(load(cut, 4, 2, 8, 1, {4, 1, 0, 0, 2, 3}), errNone);
  EXPECT_EQ(row(cut, 1), (bytes{1, 1, 1, 1}));
  EXPECT_EQ(row(cut, 0), (bytes{0, 0, 0, 0}));
  cBmpImg filled;
  ASSERT_EQ(load(filled, 4, 2, 8, 1, {4, 1, 0, 0, 2, 3, 2, 4}), errNone);
  EXPECT_EQ(row(filled, 0), (bytes{3, 3, 4, 4}));
  cBmpImg literal;
  ASSERT_EQ(load(literal, 4, 1, 8, 1, {0, 4, 1, 2}), errNone);
  EXPECT_EQ(row(literal, 0), (bytes{0, 0, 0, 0}));
}

TEST(BmpRle4, EncodedRunAlternatesNibbles) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "rle4.bmp", bmpInfoFile(5, 1, 4, 2, 16, {5, 0xAB, 0, 0, 0, 1})), errNone);
  EXPECT_EQ(row(image, 0), (bytes{10, 11, 10, 11, 10}));
}

TEST(BmpRle4, LiteralRunOfThreePixelsInTwoBytes) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "rle4lit.bmp", bmpInfoFile(3, 1, 4, 2, 16, {0, 3, 0x12, 0x30, 0, 0, 0, 1})),
            errNone);
  EXPECT_EQ(row(image, 0), (bytes{1, 2, 3}));
  // Five pixels take three bytes and a fill byte.
  cBmpImg odd;
  ASSERT_EQ(loadBytes(odd, "rle4odd.bmp",
                      bmpInfoFile(5, 1, 4, 2, 16, {0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 0, 1})),
            errNone);
  EXPECT_EQ(row(odd, 0), (bytes{1, 2, 3, 4, 5}));
}

TEST(BmpRle4, LiteralRunLongerThanTheRowIsReadWhole) {
  cBmpImg image;
  ASSERT_EQ(loadBytes(image, "rle4long.bmp",
                      bmpInfoFile(2, 2, 4, 2, 16, {0, 6, 0x12, 0x34, 0x56, 0, 0, 0, 2, 0x77, 0, 1})),
            errNone);
  EXPECT_EQ(row(image, 1), (bytes{1, 2}));
  EXPECT_EQ(row(image, 0), (bytes{7, 7}));
}

// The decoder on its own: statuses and the bound on every write.
namespace {
class cOpenFile : public cBmpImg {
 public:
  explicit cOpenFile(const bytes& data) {
    testfiles::writeFile(testfiles::scratchPath("raw.bin"), data);
    openForRead(testfiles::wide(testfiles::scratchPath("raw.bin")).c_str());
  }
};
}  // namespace

TEST(BmpDecoderStatus, EscapesAndEndOfFile) {
  cOpenFile file({0, 1, 0, 2, 0, 0});
  cBmpDecoder decoder(&file, 1, 8, 4);
  uint8_t buffer[4] = {};
  EXPECT_EQ(decoder.decodeLine(buffer, 4), cBmpDecoder::statusEndOfBitmap);
  EXPECT_TRUE(decoder.lastRowComplete());
  EXPECT_EQ(decoder.decodeLine(buffer, 4), cBmpDecoder::statusEndOfBitmap);  // sticky

  cOpenFile delta({0, 2, 0, 0});
  cBmpDecoder second(&delta, 1, 8, 4);
  EXPECT_EQ(second.decodeLine(buffer, 4), cBmpDecoder::statusDelta);
  EXPECT_FALSE(second.lastRowComplete());

  cOpenFile other({1, 2});
  cBmpDecoder third(&other, 7, 8, 4);
  EXPECT_EQ(third.decodeLine(buffer, 4), cBmpDecoder::statusBadCompression);

  cOpenFile ending({1, 2});
  cBmpDecoder fourth(&ending, 0, 8, 4);
  EXPECT_EQ(fourth.decodeLine(buffer, 2), cBmpDecoder::statusEndOfFile);
  EXPECT_TRUE(fourth.lastRowComplete());
}

TEST(BmpDecoderStatus, WritesStayInsideTheRowBuffer) {
  uint8_t buffer[6];
  std::fill(buffer, buffer + 6, 0xEE);
  cOpenFile file({8, 1, 0, 6, 1, 2, 3, 4, 5, 6, 0, 0});
  cBmpDecoder decoder(&file, 1, 8, 3);
  decoder.decodeLine(buffer, 100);
  EXPECT_EQ(buffer[3], 0xEE);
  decoder.decodeLine(buffer, 100);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(buffer[3], 0xEE);

  cOpenFile raw(bytes(40, 9));
  cBmpDecoder rawDecoder(&raw, 0, 24, 5);
  std::fill(buffer, buffer + 6, 0xEE);
  rawDecoder.decodeLine(buffer, 4);
  EXPECT_EQ(buffer[2], 9);
  EXPECT_EQ(buffer[3], 0xEE);
}

namespace {

// RLE data for `height` rows of `width` pixels: runs and literal runs of
// every length, rows that stop short of their width or run past it, each
// ended by an end-of-line escape, and an end-of-bitmap escape last.
bytes randomRleRows(bool fourBit, int32_t width, int32_t height, uint32_t seed) {
  bytes data;
  testfiles::RepeatableNumbers numbers(seed);
  auto next = [&numbers] { return numbers.next(); };
  for (int32_t r = 0; r < height; ++r) {
    const int32_t target = width - 40 + static_cast<int32_t>(next() % 80);
    for (int32_t x = 0; x < target;) {
      if (next() % 2) {
        const uint8_t count = static_cast<uint8_t>(1 + next() % 255);
        data.push_back(count);
        data.push_back(static_cast<uint8_t>(next()));
        x += count;
      } else {
        const uint8_t count = static_cast<uint8_t>(3 + next() % 253);
        data.push_back(0);
        data.push_back(count);
        const int32_t packed = fourBit ? (count + 1) / 2 : count;
        for (int32_t i = 0; i < packed; ++i) data.push_back(static_cast<uint8_t>(next()));
        if (packed & 1) data.push_back(0);
        x += count;
      }
    }
    data.push_back(0);
    data.push_back(0);
  }
  data.push_back(0);
  data.push_back(1);
  return data;
}

// The rows a reader taking one pair at a time makes of complete RLE data,
// in file order: one row buffer serves all rows, so pixels a row does not
// reach keep the row before's.
std::vector<bytes> referenceRleRows(bool fourBit, const bytes& data, int32_t width, int32_t height) {
  std::vector<bytes> rows;
  bytes current(width, 0);
  size_t at = 0;
  for (int32_t r = 0; r < height; ++r) {
    int32_t x = 0;
    for (;;) {
      const uint8_t count = data[at], value = data[at + 1];
      at += 2;
      if (count > 0) {
        for (int32_t k = 0; k < count && x < width; ++k, ++x)
          current[x] = fourBit ? static_cast<uint8_t>((k & 1) ? value & 15 : value >> 4) : value;
      } else if (value < 3) {
        break;
      } else {
        const size_t packed = fourBit ? (value + 1) / 2 : value;
        for (int32_t k = 0; k < value && x < width; ++k, ++x)
          current[x] = fourBit ? static_cast<uint8_t>((k & 1) ? data[at + k / 2] & 15 : data[at + k / 2] >> 4)
                               : data[at + k];
        at += packed + (packed & 1);
      }
    }
    rows.push_back(current);
  }
  return rows;
}

}  // namespace

// Pairs are taken in place from the read buffer: runs and literal runs that
// straddle its edge, over data many times its size, must decode exactly as
// pair by pair.
TEST(BmpRle, DataAcrossManyReadBuffersDecodesAsPairByPair) {
  for (bool fourBit : {false, true}) {
    const int32_t width = 1001, height = 1200;
    const bytes data = randomRleRows(fourBit, width, height, fourBit ? 11u : 5u);
    ASSERT_GT(data.size(), size_t{4} << 16);
    cBmpImg image;
    ASSERT_EQ(loadBytes(image, "many.bmp", bmpInfoFile(width, height, fourBit ? 4 : 8, fourBit ? 2 : 1,
                                                        fourBit ? 16 : 256, data)),
              errNone);
    const std::vector<bytes> expected = referenceRleRows(fourBit, data, width, height);
    for (int32_t i = 0; i < height; ++i)
      ASSERT_EQ(row(image, height - 1 - i), expected[i]) << (fourBit ? "RLE4" : "RLE8") << " file row " << i;
  }
}

// A row filled by a run or a literal run that ends the file is complete,
// also when the literal run's fill byte is missing.
TEST(BmpRle, RunsThatEndTheFileCompleteTheirRow) {
  cBmpImg rle8;
  ASSERT_EQ(load(rle8, 3, 1, 8, 1, {0, 3, 7, 8, 9}), errNone);
  EXPECT_EQ(row(rle8, 0), (bytes{7, 8, 9}));
  cBmpImg withFill;
  ASSERT_EQ(load(withFill, 3, 2, 8, 1, {2, 4, 0, 0, 0, 3, 7, 8, 9, 0}), errNone);
  EXPECT_EQ(row(withFill, 0), (bytes{7, 8, 9}));
  cBmpImg run;
  ASSERT_EQ(load(run, 3, 2, 8, 1, {2, 4, 0, 0, 3, 6}), errNone);
  EXPECT_EQ(row(run, 0), (bytes{6, 6, 6}));
  cBmpImg rle4;
  ASSERT_EQ(load(rle4, 6, 1, 4, 2, {0, 6, 0x12, 0x34, 0x56}), errNone);
  EXPECT_EQ(row(rle4, 0), (bytes{1, 2, 3, 4, 5, 6}));
}
