// cBmpDecoder: one function per encoding and depth, each producing one row.
// Uncompressed rows are read in blocks, never byte by byte; RLE data is read
// through a byte cursor over the image's read buffer, literal (absolute) runs
// a buffer's worth at a time. Every write is bounded by the row buffer's
// capacity and by the row's pixel count.
#include "image/bmp/bmpDecoder.h"

#include <algorithm>
#include <cstring>

#include "image/bitmapFile.h"
#include "image/bmp/bmpChannels.h"
#include "image/bmp/bmpHeaders.h"
#include "image/byteCursor.h"
#include "image/imgStore.h"
#include "image/pixelTables.h"

namespace {

// Spreads `take` bytes of packed pixels, perByte to a byte, leftmost pixel
// first, into one byte per pixel at buffer[first...], through `table`
// (perByte pixels per byte value); pixels at `limit` and beyond are dropped.
template <int perByte>
void spreadPacked(uint8_t* buffer, int64_t first, int32_t limit, const uint8_t* packed, int32_t take,
                  const uint8_t (*table)[perByte]) {
  for (int32_t j = 0; j < take; ++j, first += perByte) {
    if (first + perByte <= limit) {
      std::memcpy(buffer + first, table[packed[j]], perByte);
      continue;
    }
    for (int64_t i = first; i < first + perByte && i < limit; ++i) buffer[i] = table[packed[j]][i - first];
  }
}

}  // namespace

cBmpDecoder::cBmpDecoder(cBitmapFile* newSource, uint32_t newCompression,
                         uint32_t newBitsPerPixel, int32_t newRowCapacity)
    : compression(newCompression),
      bitsPerPixel(newBitsPerPixel),
      source(newSource),
      rowCapacity(newRowCapacity < 0 ? 0 : newRowCapacity) {}

int32_t cBmpDecoder::getStatus() {
  if (source->getSystemError() != 0) status = statusFileError;
  if (source->isAtEnd()) status = statusEndOfFile;
  return status;
}

int32_t cBmpDecoder::decodeLine(uint8_t* buffer, int32_t pixelCount) {
  rowComplete = false;
  if (pixelCount < 0) pixelCount = 0;
  switch (compression) {
    case kBmpUncompressed: readRawRow(buffer, pixelCount); break;
    case kBmpRle8:
    case kBmpRle4: readRleRow(buffer, pixelCount); break;
    case kBmpBitfields:
      if (bitsPerPixel == 16 || bitsPerPixel == 32)
        readRawRow(buffer, pixelCount);
      else
        status = statusBadCompression;
      break;
    default: status = statusBadCompression; break;
  }
  return getStatus();
}

void cBmpDecoder::readRawRow(uint8_t* buffer, int32_t n) {
  switch (bitsPerPixel) {
    case 1:
    case 4: readPackedRow(buffer, n); break;
    case 8: readRaw8Row(buffer, n); break;
    case 24: readRaw24Row(buffer, n); break;
    case 16:
    case 32:
      if (channels) {
        readMaskedRow(buffer, n);
        break;
      }
      rowComplete = true;
      break;
    default:
      // Other depths are not decoded: nothing is read, the row stays as it was.
      rowComplete = true;
      break;
  }
}

void cBmpDecoder::skipRowFill(int32_t n) {
  const int64_t fill = imgPaddedRowBytes(n, bitsPerPixel, 4) - imgRowBytes(n, bitsPerPixel);
  if (fill > 0) source->skipBytes(static_cast<int32_t>(fill));
}

// Rows of 1 and 4 bits: 8 or 2 pixels a byte, leftmost in the top bits.
void cBmpDecoder::readPackedRow(uint8_t* buffer, int32_t n) {
  const int32_t limit = std::min(n, rowCapacity);
  const int64_t packed = imgRowBytes(n, bitsPerPixel);
  const int32_t perByte = bitsPerPixel == 1 ? 8 : 2;
  uint8_t chunk[256];
  for (int64_t done = 0; done < packed;) {
    const int32_t take = static_cast<int32_t>(std::min<int64_t>(packed - done, sizeof chunk));
    if (!source->readBytes(chunk, take)) return;
    if (perByte == 8)
      spreadPacked<8>(buffer, done * 8, limit, chunk, take, kImgMsbFirstBits.pixels);
    else
      spreadPacked<2>(buffer, done * 2, limit, chunk, take, kImgNibblePairs.pixels);
    done += take;
  }
  rowComplete = true;
  skipRowFill(n);
}

void cBmpDecoder::readRaw8Row(uint8_t* buffer, int32_t n) {
  const int32_t take = std::min(n, rowCapacity);
  if (!source->readBytes(buffer, take)) return;
  if (take < n && !source->skipBytes(n - take)) return;
  rowComplete = true;
  skipRowFill(n);
}

void cBmpDecoder::readRaw24Row(uint8_t* buffer, int32_t n) {
  const int32_t pixels = std::min(n, rowCapacity / 3);
  const int64_t rowBytes = imgRowBytes(n, 24);
  if (!source->readBytes(buffer, 3 * pixels)) return;
  if (pixels < n && !source->skipBytes(static_cast<int32_t>(rowBytes - 3 * int64_t{pixels}))) return;
  // The file holds blue, green, red; the store red, green, blue.
  for (int32_t i = 0; i < pixels; ++i) {
    uint8_t blue = buffer[3 * i];
    buffer[3 * i] = buffer[3 * i + 2];
    buffer[3 * i + 2] = blue;
  }
  rowComplete = true;
  skipRowFill(n);
}

// 16- and 32-bit rows: each little-endian pixel split into red, green and
// blue by the channel masks.
void cBmpDecoder::readMaskedRow(uint8_t* buffer, int32_t n) {
  const int32_t bytesEach = static_cast<int32_t>(bitsPerPixel / 8);
  const int32_t limit = std::min(n, rowCapacity / 3);
  const int64_t rowBytes = imgRowBytes(n, bitsPerPixel);
  uint8_t chunk[4096];  // whole pixels of either size
  int32_t x = 0;
  for (int64_t done = 0; done < rowBytes;) {
    const int32_t take = static_cast<int32_t>(std::min<int64_t>(rowBytes - done, sizeof chunk));
    if (!source->readBytes(chunk, take)) return;
    for (int32_t j = 0; j < take && x < limit; j += bytesEach, ++x)
      channels->toRgb(bytesEach == 2 ? imgGet16(chunk + j) : imgGet32(chunk + j), buffer + 3 * static_cast<size_t>(x));
    done += take;
  }
  rowComplete = true;
  skipRowFill(n);
}

// RLE rows are pairs of bytes, read in these states:
//   neutral  a pair begins: its first byte is the count of an encoded run,
//            or 0 for an escape;
//   run      the second byte is the value of the run's pixels;
//   escape   the second byte says what follows: 0 end of line, 1 end of
//            bitmap, 2 a delta, 3 and more a literal (absolute) run of that
//            many pixels;
//   literal  the run's pixel bytes, padded to an even number of bytes;
//   delta    not supported: decoding stops before its offsets.
// Pixels beyond the row are dropped; a literal run is always read whole, so
// the next pair is found where the encoder put it. RLE8 pixels are bytes;
// RLE4 pixels are nibbles, high nibble first, and a run alternates between
// the two nibbles of its value. The status can change only when the bytes
// read ahead are used up, so it is asked after a run only then.
void cBmpDecoder::readRleRow(uint8_t* buffer, int32_t n) {
  if (status != 0) return;
  enum class rleState { neutral, run, escape, literal, delta };
  const int32_t room = std::min(n, rowCapacity);
  int32_t x = 0;  // pixels written, at most room
  cByteCursor in(source, spareByte);
  rleState state = rleState::neutral;
  uint8_t count = 0;
  uint8_t value = 0;
  for (;;) {
    switch (state) {
      case rleState::neutral:
        if (!in.next(count)) return;
        state = count > 0 ? rleState::run : rleState::escape;
        break;
      case rleState::run:
        if (!in.next(value)) return;
        putRun(buffer, room, x, count, value);
        state = rleState::neutral;
        if (in.drained() && stopsAfterRun(in, room, x)) return;
        break;
      case rleState::escape:
        if (!in.next(value)) return;
        if (value == 0) {  // end of line
          rowComplete = true;
          return;
        }
        if (value == 1) {  // end of bitmap
          status = statusEndOfBitmap;
          rowComplete = true;
          return;
        }
        state = value == 2 ? rleState::delta : rleState::literal;
        count = value;
        break;
      case rleState::literal:
        if (!readLiteral(in, buffer, room, x, count)) return;
        state = rleState::neutral;
        if (in.drained() && stopsAfterRun(in, room, x)) return;
        break;
      case rleState::delta:
        status = statusDelta;
        return;
    }
  }
}

// After a run whose bytes ended what was read ahead: true, with the row
// complete when it is full, if the status says stop.
bool cBmpDecoder::stopsAfterRun(cByteCursor& in, int32_t room, int32_t x) {
  in.release();
  if (getStatus() == 0) return false;
  rowComplete = x >= room;
  return true;
}

// The bytes of a literal run of `count` pixels, fill byte included. The
// bytes of the pixels that fit (for RLE4 all its pixel bytes) must be there
// for the row to count; a file that ends after them, in pixels beyond the
// row or before the fill byte, ends the row like any other. False when the
// row ends here.
bool cBmpDecoder::readLiteral(cByteCursor& in, uint8_t* buffer, int32_t room, int32_t& x,
                              int32_t count) {
  const bool bytePixels = compression == kBmpRle8;
  const int32_t packed = static_cast<int32_t>(imgRowBytes(count, bytePixels ? 8 : 4));
  const int32_t needed = bytePixels ? std::min(count, room - x) : packed;
  const int32_t total = packed + (packed & 1);
  int32_t pixels = count;
  for (int32_t done = 0; done < total;) {
    const uint8_t* bytes = nullptr;
    const int32_t got = in.take(total - done, bytes);
    if (got == 0) {
      if (done >= needed) stopsAfterRun(in, room, x);
      return false;
    }
    const int32_t spanPixels = std::min(pixels, bytePixels ? got : 2 * got);
    putLiteral(buffer, room, x, spanPixels, bytes);
    pixels -= spanPixels;
    done += got;
  }
  return true;
}

// Pixels of a run of `count` copies of `value`, at x.
void cBmpDecoder::putRun(uint8_t* buffer, int32_t room, int32_t& x, int32_t count, uint8_t value) const {
  const int32_t fill = std::min(count, room - x);
  if (compression == kBmpRle8) {
    std::memset(buffer + x, value, static_cast<size_t>(fill));
  } else {
    // Eight pixels at a time from the alternating pattern, then the rest.
    const uint8_t nibbles[2] = {static_cast<uint8_t>(value >> 4), static_cast<uint8_t>(value & 0x0F)};
    const uint64_t pattern = 0x0001000100010001ull * (nibbles[0] | (nibbles[1] << 8));
    int32_t k = 0;
    for (; k + 8 <= fill; k += 8) std::memcpy(buffer + x + k, &pattern, 8);
    for (; k < fill; ++k) buffer[x + k] = nibbles[k & 1];
  }
  x += fill;
}

// Pixels of a literal run of `count` pixels packed at `packed`, at x.
void cBmpDecoder::putLiteral(uint8_t* buffer, int32_t room, int32_t& x, int32_t count, const uint8_t* packed) const {
  const int32_t take = std::min(count, room - x);
  if (compression == kBmpRle8) {
    std::memcpy(buffer + x, packed, static_cast<size_t>(take));
  } else {
    // Two pixels a byte, high nibble first.
    int32_t k = 0;
    for (; k + 2 <= take; k += 2) std::memcpy(buffer + x + k, kImgNibblePairs.pixels[packed[k / 2]], 2);
    if (k < take) buffer[x + k] = static_cast<uint8_t>(packed[k / 2] >> 4);
  }
  x += take;
}
