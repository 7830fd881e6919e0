// cPcxDecoder: a code byte with its two top bits set starts a run of up to 63
// copies of the next byte; any other byte stands for itself. A row is
// planeCount plane lines of bytesPerPlaneLine bytes; a run may cross from one
// plane into the next but not into the next row. Byte planes (8 bits per
// plane) interleave into the pixel's bytes; bit planes add their bits into
// the pixel's index, plane j at j x bitsPerPlane.
#include "image/pcx/pcxDecoder.h"

#include <cstring>

#include "image/bitmapFile.h"

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

// For 1-bit planes: the eight pixel bits (0 or 1) of a reordered byte, its
// lowest bit first, so that eight pixels are ORed in at once.
struct LowBitsFirst {
  uint8_t pixels[256][8];
  constexpr LowBitsFirst() : pixels() {
    for (int v = 0; v < 256; ++v)
      for (int k = 0; k < 8; ++k) pixels[v][k] = static_cast<uint8_t>((v >> k) & 1);
  }
};
constexpr LowBitsFirst kLowBitsFirst;

}  // namespace

uint8_t pcxReorder(uint32_t bits, uint8_t v) {
  switch (bits) {
    case 1: return kReorder.table[0][v];
    case 2: return kReorder.table[1][v];
    case 4: return kReorder.table[2][v];
    default: return v;
  }
}

cPcxDecoder::cPcxDecoder(cBitmapFile* newSource, const uint8_t* header)
    : bitsPerPlane(header[3] ? header[3] : 1),
      planeCount(header[65] ? header[65] : 1),
      bytesPerPlaneLine(static_cast<uint32_t>(header[66] | (header[67] << 8))),
      source(newSource),
      pixelMask(bitsPerPlane >= 32 ? 0xFFFFFFFFu : (1u << bitsPerPlane) - 1) {}

int32_t cPcxDecoder::begin() {
  status = 0;
  runCount = 0;
  runValue = 0;
  lastCode = 0;
  source->seekTo(128, cBitmapFile::seekFromBegin);
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
  if (pixelCount < 0) pixelCount = 0;
  rowComplete = bitsPerPlane == 8 ? readBytePlanes(buffer, pixelCount)
                                  : readBitPlanes(buffer, pixelCount);
  // What is left of a run at the end of the row is dropped.
  runCount = 0;
  return getStatus();
}

// Reads the next code byte and, for a run, its value. False when the file
// ends (or fails) first: the row is then abandoned.
bool cPcxDecoder::fetchRun(bool reorder) {
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
  if (reorder) runValue = pcxReorder(bitsPerPlane, static_cast<uint8_t>(runValue));
  return true;
}

// Byte planes: plane j of pixel x lands in buffer[x * planeCount + j]; bytes
// past the row's pixels (line padding) are read and dropped.
bool cPcxDecoder::readBytePlanes(uint8_t* buffer, int32_t n) {
  const uint32_t planes = planeCount;
  const int64_t usable = static_cast<int64_t>(rowCapacity) / planes;
  const uint32_t pixels = static_cast<uint32_t>(n < usable ? n : usable);
  std::memset(buffer, 0, static_cast<size_t>(pixels) * planes);
  for (uint32_t j = 0; j < planes; ++j) {
    uint32_t x = 0;
    while (x < bytesPerPlaneLine) {
      if (runCount <= 0) {
        if (!fetchRun(false)) return false;
        if (runCount <= 0) continue;  // a run of 0 yields nothing
      }
      uint32_t span = static_cast<uint32_t>(runCount);
      if (span > bytesPerPlaneLine - x) span = bytesPerPlaneLine - x;
      const uint8_t value = static_cast<uint8_t>(runValue);
      if (x < pixels) {
        const uint32_t end = x + span < pixels ? x + span : pixels;
        if (planes == 1) {
          std::memset(buffer + x, value, end - x);
        } else {
          for (uint32_t i = x; i < end; ++i) buffer[i * planes + j] = value;
        }
      }
      x += span;
      runCount -= static_cast<int32_t>(span);
    }
  }
  return true;
}

// Bit planes: each byte holds 8 / bitsPerPlane pixels, leftmost in the top
// bits; plane j's bits go into the pixel at j x bitsPerPlane.
bool cPcxDecoder::readBitPlanes(uint8_t* buffer, int32_t n) {
  const uint32_t bits = bitsPerPlane;
  const uint32_t perByte = 8 / bits;  // 0 for planes wider than a byte
  const uint32_t limit = static_cast<uint32_t>(n < rowCapacity ? n : rowCapacity);
  std::memset(buffer, 0, limit);
  uint32_t shift = 0;
  for (uint32_t j = 0; j < planeCount; ++j, shift += bits) {
    uint32_t i = 0;  // next pixel of this plane
    uint32_t x = 0;  // next byte of this plane's line
    while (x < bytesPerPlaneLine) {
      if (runCount <= 0) {
        if (!fetchRun(true)) return false;
        if (runCount <= 0) continue;
      }
      uint32_t span = static_cast<uint32_t>(runCount);
      if (span > bytesPerPlaneLine - x) span = bytesPerPlaneLine - x;
      x += span;
      runCount -= static_cast<int32_t>(span);
      for (uint32_t b = 0; b < span && i < limit; ++b) {
        if (bits == 1 && shift < 8 && i + 8 <= limit) {
          // Eight pixels at once: each pixel byte is 0 or 1 before the shift,
          // so shifting the whole word keeps every bit inside its own byte.
          uint64_t add;
          uint64_t have;
          std::memcpy(&add, kLowBitsFirst.pixels[runValue], 8);
          std::memcpy(&have, buffer + i, 8);
          have |= add << shift;
          std::memcpy(buffer + i, &have, 8);
          i += 8;
          continue;
        }
        uint32_t v = runValue;
        for (uint32_t k = 0; k < perByte; ++k) {
          if (i < limit) buffer[i] = static_cast<uint8_t>(buffer[i] | (((v & pixelMask) << shift) & 0xFF));
          ++i;
          v >>= bits;
        }
      }
    }
  }
  return true;
}
