// cBmpDecoder: one function per encoding and depth, each producing one row.
// Uncompressed rows are read in blocks, never byte by byte; RLE data is read
// in pairs, with the literal (absolute) runs read as one block. Every write is
// bounded by the row buffer's capacity and by the row's pixel count.
#include "image/bmp/bmpDecoder.h"

#include <cstring>

#include "image/bitmapFile.h"
#include "image/pixelTables.h"

namespace {

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
    case 1:
    case 2: readRleRow(buffer, pixelCount); break;
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
        std::memcpy(buffer + first, kImgMsbFirstBits.pixels[chunk[j]], 8);
        continue;
      }
      for (int64_t i = first; i < first + 8 && i < limit; ++i)
        buffer[i] = kImgMsbFirstBits.pixels[chunk[j]][i - first];
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
// where the encoder put it. RLE8 pixels are bytes; RLE4 pixels are nibbles,
// high nibble first, and a run alternates between the two nibbles of its
// value.
//
// Pairs are taken in place from the image's read buffer while a whole pair,
// its literal bytes and at least one byte more lie there: the file position
// then stays before the end of the file and the status cannot change. The
// pair at the edge of the buffer goes through the file calls, followed by
// the status check.
void cBmpDecoder::readRleRow(uint8_t* buffer, int32_t n) {
  if (status != 0) return;
  const int32_t room = minimum(n, rowCapacity);
  int32_t x = 0;  // pixels written, at most room
  while (!takeBufferedPairs(buffer, room, x) && !readOnePair(buffer, room, x)) {
  }
}

// Pixels of a run of `count` copies of `value`, at x.
void cBmpDecoder::putRun(uint8_t* buffer, int32_t room, int32_t& x, int32_t count, uint8_t value) const {
  const int32_t fill = minimum(count, room - x);
  if (compression == 1) {
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
  const int32_t take = minimum(count, room - x);
  if (compression == 1) {
    std::memcpy(buffer + x, packed, static_cast<size_t>(take));
  } else {
    // Two pixels a byte, high nibble first.
    int32_t k = 0;
    for (; k + 2 <= take; k += 2) std::memcpy(buffer + x + k, kImgNibblePairs.pixels[packed[k / 2]], 2);
    if (k < take) buffer[x + k] = static_cast<uint8_t>(packed[k / 2] >> 4);
  }
  x += take;
}

// Bytes that a literal run of `count` pixels occupies, fill byte included.
int32_t cBmpDecoder::literalBytes(int32_t count) const {
  const int32_t bytes = compression == 1 ? count : (count + 1) / 2;
  return bytes + (bytes & 1);
}

// The escapes that end a row: end of line, end of bitmap, delta. True when
// `value` was one of them.
bool cBmpDecoder::endsRow(int32_t value) {
  if (value == 0) {
    rowComplete = true;
  } else if (value == 1) {
    status = statusEndOfBitmap;
    rowComplete = true;
  } else if (value == 2) {
    status = statusDelta;
  } else {
    return false;
  }
  return true;
}

bool cBmpDecoder::takeBufferedPairs(uint8_t* buffer, int32_t room, int32_t& x) {
  if (source->getSystemError() != 0) return false;
  uint32_t available = 0;
  const uint8_t* const data = source->bufferedBytes(available);
  const uint8_t* p = data;
  const uint8_t* const end = data + available;
  bool ended = false;
  while (end - p > 2) {
    const int32_t count = p[0];
    const int32_t value = p[1];
    if (count > 0) {
      putRun(buffer, room, x, count, static_cast<uint8_t>(value));
      p += 2;
      continue;
    }
    if (value < 3) {
      p += 2;
      ended = endsRow(value);
      break;
    }
    const int32_t bytes = literalBytes(value);
    if (end - p <= 2 + bytes) break;
    putLiteral(buffer, room, x, value, p + 2);
    p += 2 + bytes;
  }
  source->consumeBuffered(static_cast<uint32_t>(p - data));
  return ended;
}

bool cBmpDecoder::readOnePair(uint8_t* buffer, int32_t room, int32_t& x) {
  uint8_t pair[2];
  if (!source->readBytes(pair, 2)) return true;
  const int32_t count = pair[0];
  const int32_t value = pair[1];
  if (count > 0) {
    putRun(buffer, room, x, count, pair[1]);
  } else if (endsRow(value)) {
    return true;
  } else {
    // A literal run: the bytes of the pixels that fit must be there; what
    // follows them (pixels beyond the row, the fill byte) is skipped, and a
    // file that ends there ends the row like any other.
    uint8_t packed[256];
    const int32_t wanted = compression == 1 ? minimum(value, room - x) : (value + 1) / 2;
    if (!source->readBytes(packed, wanted)) return true;
    putLiteral(buffer, room, x, value, packed);
    const int32_t rest = literalBytes(value) - wanted;
    if (rest > 0) source->skipBytes(rest);
  }
  if (getStatus() != 0) {
    rowComplete = x >= room;
    return true;
  }
  return false;
}
