// cBmpDecoder: one function per encoding and depth, each producing one row.
// Uncompressed rows are read in blocks, never byte by byte; RLE data is read
// in pairs, with the literal (absolute) runs read as one block. Every write is
// bounded by the row buffer's capacity and by the row's pixel count.
#include "image/bmp/bmpDecoder.h"

#include <cstring>

#include "image/bitmapFile.h"

namespace {

// Eight pixel bytes (0 or 1) for each byte of a 1-bit row, leftmost pixel
// from the most significant bit.
struct BitExpansion {
  uint8_t pixels[256][8];
  constexpr BitExpansion() : pixels() {
    for (int v = 0; v < 256; ++v)
      for (int k = 0; k < 8; ++k) pixels[v][k] = static_cast<uint8_t>((v >> (7 - k)) & 1);
  }
};
constexpr BitExpansion kMsbFirstBits;

int32_t minimum(int64_t a, int64_t b) { return static_cast<int32_t>(a < b ? a : b); }

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
    case 0: readRawRow(buffer, pixelCount); break;
    case 1: readRle8Row(buffer, pixelCount); break;
    case 2: readRle4Row(buffer, pixelCount); break;
    default: status = statusBadCompression; break;
  }
  return getStatus();
}

void cBmpDecoder::readRawRow(uint8_t* buffer, int32_t n) {
  switch (bitsPerPixel) {
    case 1: readRaw1Row(buffer, n); break;
    case 4: readRaw4Row(buffer, n); break;
    case 8: readRaw8Row(buffer, n); break;
    case 24: readRaw24Row(buffer, n); break;
    default:
      // Other depths are not decoded: nothing is read, the row stays as it was.
      rowComplete = true;
      break;
  }
}

void cBmpDecoder::skipRowFill(int64_t rowBytes) {
  // Rows are padded to a multiple of four bytes.
  int64_t fill = (rowBytes + 3) / 4 * 4 - rowBytes;
  if (fill > 0) source->skipBytes(static_cast<int32_t>(fill));
}

void cBmpDecoder::readRaw1Row(uint8_t* buffer, int32_t n) {
  const int32_t limit = minimum(n, rowCapacity);
  const int64_t packed = (static_cast<int64_t>(n) + 7) / 8;
  uint8_t chunk[256];
  int64_t done = 0;
  while (done < packed) {
    int32_t take = minimum(packed - done, sizeof chunk);
    if (!source->readBytes(chunk, take)) return;
    for (int32_t j = 0; j < take; ++j) {
      int64_t first = (done + j) * 8;
      if (first + 8 <= limit) {
        std::memcpy(buffer + first, kMsbFirstBits.pixels[chunk[j]], 8);
        continue;
      }
      for (int64_t i = first; i < first + 8 && i < limit; ++i)
        buffer[i] = kMsbFirstBits.pixels[chunk[j]][i - first];
    }
    done += take;
  }
  rowComplete = true;
  skipRowFill(packed);
}

void cBmpDecoder::readRaw4Row(uint8_t* buffer, int32_t n) {
  const int32_t limit = minimum(n, rowCapacity);
  const int64_t packed = (static_cast<int64_t>(n) + 1) / 2;
  uint8_t chunk[256];
  int64_t done = 0;
  while (done < packed) {
    int32_t take = minimum(packed - done, sizeof chunk);
    if (!source->readBytes(chunk, take)) return;
    for (int32_t j = 0; j < take; ++j) {
      int64_t first = (done + j) * 2;
      if (first < limit) buffer[first] = static_cast<uint8_t>(chunk[j] >> 4);
      if (first + 1 < limit) buffer[first + 1] = static_cast<uint8_t>(chunk[j] & 0x0F);
    }
    done += take;
  }
  rowComplete = true;
  skipRowFill(packed);
}

void cBmpDecoder::readRaw8Row(uint8_t* buffer, int32_t n) {
  const int32_t take = minimum(n, rowCapacity);
  if (!source->readBytes(buffer, take)) return;
  if (take < n && !source->skipBytes(n - take)) return;
  rowComplete = true;
  skipRowFill(n);
}

void cBmpDecoder::readRaw24Row(uint8_t* buffer, int32_t n) {
  const int32_t pixels = minimum(n, rowCapacity / 3);
  const int64_t rowBytes = 3 * static_cast<int64_t>(n);
  if (!source->readBytes(buffer, 3 * pixels)) return;
  if (pixels < n && !source->skipBytes(static_cast<int32_t>(rowBytes - 3 * pixels))) return;
  // The file holds blue, green, red; the store red, green, blue.
  for (int32_t i = 0; i < pixels; ++i) {
    uint8_t blue = buffer[3 * i];
    buffer[3 * i] = buffer[3 * i + 2];
    buffer[3 * i + 2] = blue;
  }
  rowComplete = true;
  skipRowFill(rowBytes);
}

// RLE rows are pairs of bytes. The reader's states: a pair (count, value)
// with count > 0 is an encoded run; count 0 makes value an escape: 0 end of
// line, 1 end of bitmap, 2 delta, 3 and more a literal (absolute) run of that
// many pixels, padded to an even number of bytes. Pixels beyond the row are
// dropped; a literal run is always read whole, so the next pair is found
// where the encoder put it.
void cBmpDecoder::readRle8Row(uint8_t* buffer, int32_t n) {
  if (status != 0) return;
  const int32_t room = minimum(n, rowCapacity);
  int32_t x = 0;  // pixels written, at most room
  for (;;) {
    uint8_t pair[2];
    if (!source->readBytes(pair, 2)) return;
    const int32_t count = pair[0];
    const int32_t value = pair[1];
    if (count > 0) {
      int32_t fill = minimum(count, room - x);
      std::memset(buffer + x, value, static_cast<size_t>(fill));
      x += fill;
    } else if (value == 0) {
      rowComplete = true;
      return;
    } else if (value == 1) {
      status = statusEndOfBitmap;
      rowComplete = true;
      return;
    } else if (value == 2) {
      status = statusDelta;
      return;
    } else {
      int32_t take = minimum(value, room - x);
      if (!source->readBytes(buffer + x, take)) return;
      x += take;
      int32_t drop = value - take + (value & 1);
      if (drop > 0) source->skipBytes(drop);
    }
    if (getStatus() != 0) {
      rowComplete = x >= room;
      return;
    }
  }
}

void cBmpDecoder::readRle4Row(uint8_t* buffer, int32_t n) {
  if (status != 0) return;
  const int32_t room = minimum(n, rowCapacity);
  int32_t x = 0;
  for (;;) {
    uint8_t pair[2];
    if (!source->readBytes(pair, 2)) return;
    const int32_t count = pair[0];
    const int32_t value = pair[1];
    if (count > 0) {
      // Pixels alternate between the high and the low nibble of value.
      const uint8_t nibbles[2] = {static_cast<uint8_t>(value >> 4),
                                  static_cast<uint8_t>(value & 0x0F)};
      int32_t fill = minimum(count, room - x);
      for (int32_t k = 0; k < fill; ++k) buffer[x + k] = nibbles[k & 1];
      x += fill;
    } else if (value == 0) {
      rowComplete = true;
      return;
    } else if (value == 1) {
      status = statusEndOfBitmap;
      rowComplete = true;
      return;
    } else if (value == 2) {
      status = statusDelta;
      return;
    } else {
      // value pixels in (value + 1) / 2 bytes, two per byte, high nibble
      // first; an odd number of bytes is followed by one fill byte.
      uint8_t packed[128];
      const int32_t bytes = (value + 1) / 2;
      if (!source->readBytes(packed, bytes)) return;
      int32_t take = minimum(value, room - x);
      for (int32_t k = 0; k < take; ++k)
        buffer[x + k] = (k & 1) ? static_cast<uint8_t>(packed[k / 2] & 0x0F)
                                : static_cast<uint8_t>(packed[k / 2] >> 4);
      x += take;
      if (bytes & 1) source->skipBytes(1);
    }
    if (getStatus() != 0) {
      rowComplete = x >= room;
      return;
    }
  }
}
