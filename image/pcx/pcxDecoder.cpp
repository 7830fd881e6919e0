// cPcxDecoder: a code byte with its two top bits set starts a run of up to 63
// copies of the next byte; any other byte stands for itself. A row is
// planeCount plane lines of bytesPerPlaneLine bytes; a run may cross from one
// plane into the next but not into the next row. Each plane line is first
// expanded as the file holds it, scanning the code bytes in the image's read
// buffer; byte planes (8 bits per plane) are then interleaved into the
// pixel's bytes, bit planes add their bits into the pixel's index, plane j at
// j x bitsPerPlane.
#include "image/pcx/pcxDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/bitmapFile.h"
#include "image/pcx/pcxHeader.h"
#include "image/pixelTables.h"

namespace {

// reorder[b][v]: v with its 8 / n groups of n = 1, 2, 4 bits in reverse order.
struct ReorderTables {
  uint8_t table[3][256];
  constexpr ReorderTables() : table() {
    for (int t = 0; t < 3; ++t) {
      const int bits = 1 << t;
      const int mask = (1 << bits) - 1;
      for (int v = 0; v < 256; ++v) {
        int out = 0;
        for (int g = 0; g < 8 / bits; ++g) {
          out |= ((v >> (g * bits)) & mask) << (8 - bits - g * bits);
        }
        table[t][v] = static_cast<uint8_t>(out);
      }
    }
  }
};
constexpr ReorderTables kReorder;

constexpr uint64_t kHighBits = 0x8080808080808080ull;

// True when none of the eight bytes at p is a run code (both top bits set).
inline bool eightLiterals(const uint8_t* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  return (word & (word << 1) & kHighBits) == 0;
}

// Red, green and blue lines into pixels of three bytes.
void interleaveThree(uint8_t* out, const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                     uint32_t pixels) {
  for (uint32_t x = 0; x < pixels; ++x, out += 3) {
    out[0] = red[x];
    out[1] = green[x];
    out[2] = blue[x];
  }
}

}  // namespace

uint8_t pcxReorder(uint32_t bits, uint8_t v) {
  switch (bits) {
    case 1: return kReorder.table[0][v];
    case 2: return kReorder.table[1][v];
    case 4: return kReorder.table[2][v];
    default: return v;
  }
}

cPcxDecoder::cPcxDecoder(cBitmapFile* newSource, const pcxHeader& header)
    : bitsPerPlane(header.planeBits()),
      planeCount(header.planes()),
      bytesPerPlaneLine(header.bytesPerPlaneLine),
      source(newSource),
      pixelMask(bitsPerPlane >= 32 ? 0xFFFFFFFFu : (1u << bitsPerPlane) - 1) {}

cPcxDecoder::~cPcxDecoder() { delete[] lines; }

bool cPcxDecoder::reserveLines() {
  if (lines) return true;
  // At most 65,535 bytes a line; byte planes come 1 or 3 to a picture.
  const size_t count = bitsPerPlane == 8 ? planeCount : 1;
  lines = new (std::nothrow) uint8_t[static_cast<size_t>(bytesPerPlaneLine) * count + 1];
  return lines != nullptr;
}

int32_t cPcxDecoder::begin() {
  status = 0;
  runCount = 0;
  runValue = 0;
  lastCode = 0;
  source->seekTo(pcxHeader::size, cBitmapFile::seekFromBegin);
  return getStatus();
}

int32_t cPcxDecoder::getStatus() {
  if (source->getSystemError() != 0) status = statusFileError;
  if (source->isAtEnd()) status = statusEndOfFile;
  return static_cast<int32_t>(status);
}

int32_t cPcxDecoder::decodeLine(uint8_t* buffer, int32_t pixelCount) {
  rowComplete = false;
  if (status != 0) return getStatus();
  if (!reserveLines()) {
    status = statusFileError;
    return getStatus();
  }
  if (pixelCount < 0) pixelCount = 0;
  rowComplete = bitsPerPlane == 8 ? readBytePlanes(buffer, pixelCount)
                                  : readBitPlanes(buffer, pixelCount);
  // What is left of a run at the end of the row is dropped.
  runCount = 0;
  return getStatus();
}

// Reads the next code byte and, for a run, its value, one call at a time:
// for the code bytes at the edge of the read buffer. False when the file
// ends (or fails) first: the row is then abandoned.
bool cPcxDecoder::fetchRun() {
  const int32_t code = source->readByteOrEnd();
  if (code < 0) {
    lastCode = 0xFF;
    return false;
  }
  lastCode = static_cast<uint32_t>(code);
  if ((code & 0xC0) == 0xC0) {
    runCount = code & 0x3F;
    const int32_t value = source->readByteOrEnd();
    if (value < 0) return false;
    runValue = static_cast<uint32_t>(value);
  } else {
    runCount = 1;
    runValue = static_cast<uint32_t>(code);
  }
  return true;
}

// Fills line[0, length) with the file's bytes: first what is left of a run
// from the previous plane, then runs decoded straight from the read buffer.
// A run longer than the rest of the line is kept in runCount for the next
// plane. False when the file ends (or fails) before the line is full.
bool cPcxDecoder::expandLine(uint8_t* line, uint32_t length) {
  uint32_t x = 0;
  while (x < length) {
    if (runCount > 0) {
      const uint32_t span = std::min(static_cast<uint32_t>(runCount), length - x);
      std::memset(line + x, static_cast<uint8_t>(runValue), span);
      x += span;
      runCount -= static_cast<int32_t>(span);
      continue;
    }
    uint32_t available = 0;
    const uint8_t* const data = source->bufferedBytes(available);
    if (available < 2) {
      // A code byte whose value lies beyond the buffer, or no buffer.
      if (!fetchRun()) return false;
      continue;
    }
    const uint8_t* p = data;
    // A run code always has its value byte inside the buffer.
    const uint8_t* const last = data + available - 1;
    uint32_t code = lastCode;
    while (x < length && p < last) {
      if (length - x >= 8 && last - p >= 8 && eightLiterals(p)) {
        std::memcpy(line + x, p, 8);
        code = p[7];
        p += 8;
        x += 8;
        continue;
      }
      // One code: a literal is a run of one. Literals and runs of one (the
      // coding of bytes of 0xC0 and more) take no branch of their own.
      code = p[0];
      const bool run = code >= 0xC0;
      const uint32_t count = run ? code & 0x3F : 1;
      const uint8_t value = run ? p[1] : static_cast<uint8_t>(code);
      p += run ? 2 : 1;
      line[x] = value;
      if (count == 1) {
        ++x;
        continue;
      }
      const uint32_t span = std::min(count, length - x);
      std::memset(line + x, value, span);
      x += span;
      if (count > span) {
        runCount = static_cast<int32_t>(count - span);
        runValue = value;
      }
    }
    lastCode = code;
    source->consumeBuffered(static_cast<uint32_t>(p - data));
  }
  return true;
}

// Byte planes: plane j of pixel x lands in buffer[x * planeCount + j]; bytes
// past the row's pixels (line padding) are read and dropped, pixels that the
// lines do not reach are 0.
bool cPcxDecoder::readBytePlanes(uint8_t* buffer, int32_t n) {
  const uint32_t planes = planeCount;
  const uint32_t length = bytesPerPlaneLine;
  const int64_t usable = static_cast<int64_t>(rowCapacity) / planes;
  const uint32_t pixels = static_cast<uint32_t>(n < usable ? n : usable);
  const uint32_t reach = std::min(pixels, length);
  if (reach < pixels) std::memset(buffer + static_cast<size_t>(reach) * planes, 0,
                                  static_cast<size_t>(pixels - reach) * planes);
  if (planes == 1 && length <= pixels) return expandLine(buffer, length);
  for (uint32_t j = 0; j < planes; ++j)
    if (!expandLine(lines + static_cast<size_t>(j) * length, length)) return false;
  if (planes == 1) {
    std::memcpy(buffer, lines, reach);
  } else if (planes == 3) {
    interleaveThree(buffer, lines, lines + length, lines + 2 * static_cast<size_t>(length), reach);
  } else {
    for (uint32_t j = 0; j < planes; ++j)
      for (uint32_t x = 0; x < reach; ++x) buffer[static_cast<size_t>(x) * planes + j] = lines[static_cast<size_t>(j) * length + x];
  }
  return true;
}

// Bit planes: each byte holds 8 / bitsPerPlane pixels, leftmost in the top
// bits; plane j's bits go into the pixel at j x bitsPerPlane.
bool cPcxDecoder::readBitPlanes(uint8_t* buffer, int32_t n) {
  const uint32_t limit = static_cast<uint32_t>(n < rowCapacity ? n : rowCapacity);
  if (planeCount == 1 && bitsPerPlane == 1) {
    // Black and white pictures: the one plane's bits are the pixels, so
    // they are stored as they are, without clearing the row first.
    if (!expandLine(lines, bytesPerPlaneLine)) {
      std::memset(buffer, 0, limit);
      return false;
    }
    storeBitPlane(buffer, limit, lines);
    return true;
  }
  std::memset(buffer, 0, limit);
  uint32_t shift = 0;
  for (uint32_t j = 0; j < planeCount; ++j, shift += bitsPerPlane) {
    if (!expandLine(lines, bytesPerPlaneLine)) return false;
    // Bits shifted beyond the pixel's byte are lost; the plane is still read.
    if (shift < 8) addBitPlane(buffer, limit, lines, shift);
  }
  return true;
}

// The first `limit` pixels of the row from a plane line of 1 bit a pixel;
// pixels beyond the line are 0.
void cPcxDecoder::storeBitPlane(uint8_t* buffer, uint32_t limit, const uint8_t* line) const {
  uint32_t i = 0;
  uint32_t x = 0;
  for (; x < bytesPerPlaneLine && i + 8 <= limit; ++x, i += 8) std::memcpy(buffer + i, kImgMsbFirstBits.pixels[line[x]], 8);
  if (x < bytesPerPlaneLine && i < limit) {
    std::memcpy(buffer + i, kImgMsbFirstBits.pixels[line[x]], limit - i);
    i = limit;
  }
  if (i < limit) std::memset(buffer + i, 0, limit - i);
}

// ORs one plane line's pixels, shifted left by `shift` bits, into the first
// `limit` pixels of the row.
void cPcxDecoder::addBitPlane(uint8_t* buffer, uint32_t limit, const uint8_t* line,
                              uint32_t shift) const {
  const uint32_t bits = bitsPerPlane;
  const uint32_t perByte = 8 / bits;  // 0 for planes wider than a byte
  if (perByte == 0) return;
  uint32_t i = 0;  // next pixel
  uint32_t x = 0;  // next byte of the line
  if (bits == 1) {
    // Eight pixels at once: each pixel byte is 0 or 1 before the shift, and
    // shift is below 8, so every bit stays inside its own byte.
    for (; x < bytesPerPlaneLine && i + 8 <= limit; ++x, i += 8) {
      uint64_t add;
      uint64_t have;
      std::memcpy(&add, kImgMsbFirstBits.pixels[line[x]], 8);
      std::memcpy(&have, buffer + i, 8);
      have |= add << shift;
      std::memcpy(buffer + i, &have, 8);
    }
  }
  for (; x < bytesPerPlaneLine && i < limit; ++x) {
    uint32_t v = pcxReorder(bits, line[x]);
    for (uint32_t k = 0; k < perByte && i < limit; ++k, ++i, v >>= bits)
      buffer[i] = static_cast<uint8_t>(buffer[i] | (((v & pixelMask) << shift) & 0xFF));
  }
}
