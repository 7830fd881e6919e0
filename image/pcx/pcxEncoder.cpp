// cPcxEncoder: plane lines and their run-length coding. A run of up to 63
// equal bytes is a count byte 0xC0 | n followed by the value; a single byte
// below 0xC0 stands for itself, and one of 0xC0 or above needs the count
// byte 0xC1 so that it is not taken for a count. Writes into the line buffer
// are bounded by the buffer, whatever the row holds.
#include "image/pcx/pcxEncoder.h"

#include <cstring>
#include <new>

#include "image/bitmapFile.h"
#include "image/pcx/pcxHeader.h"

cPcxEncoder::cPcxEncoder(cBitmapFile* image, const pcxHeader& header) : source(image) {
  bitsPerPlane = static_cast<int32_t>(header.planeBits());
  planeCount = static_cast<int32_t>(header.planes());
  bytesPerPlaneLine = header.bytesPerPlaneLine;
  lineBuffer = new (std::nothrow) uint8_t[bytesPerPlaneLine > 0 ? bytesPerPlaneLine : 1];
  status = lineBuffer ? 0 : 8;
}

cPcxEncoder::~cPcxEncoder() { delete[] lineBuffer; }

int32_t cPcxEncoder::begin() {
  status = lineBuffer ? 0 : 8;
  return getStatus();
}

int32_t cPcxEncoder::getStatus() {
  if (source->getSystemError() != 0) status = 4;
  return status;
}

void cPcxEncoder::clearLine() {
  std::memset(lineBuffer, 0, static_cast<size_t>(bytesPerPlaneLine));
  fillIndex = 0;
  bitMask = 0x80;
}

void cPcxEncoder::pack(uint32_t value, int32_t bits) {
  for (int32_t b = bits - 1; b >= 0; --b) {
    if (b < 32 && ((value >> b) & 1u) && fillIndex < bytesPerPlaneLine)
      lineBuffer[fillIndex] = static_cast<uint8_t>(lineBuffer[fillIndex] | bitMask);
    bitMask >>= 1;
    if (bitMask == 0) {
      ++fillIndex;
      bitMask = 0x80;
    }
  }
}

void cPcxEncoder::packWhole(const uint8_t* row, int32_t pixelCount, int32_t shift) {
  // A byte at a time: the same bits as pack(), leftmost pixel in the top bits.
  const int32_t bits = bitsPerPlane;
  const int32_t perByte = 8 / bits;
  const uint32_t mask = (1u << bits) - 1u;
  int32_t i = 0;
  for (int32_t x = 0; x < bytesPerPlaneLine && i < pixelCount; ++x) {
    uint32_t byte = 0;
    for (int32_t k = 0; k < perByte; ++k, ++i) {
      const uint32_t value = i < pixelCount ? (row[i] >> shift) & mask : 0u;
      byte |= value << (8 - bits * (k + 1));
    }
    lineBuffer[x] = static_cast<uint8_t>(byte);
  }
}

void cPcxEncoder::drain() {
  if (outUsed > 0) source->writeBytes(out, outUsed);  // failures show in getStatus()
  outUsed = 0;
}

int32_t cPcxEncoder::flushLine() {
  const uint8_t* line = lineBuffer;
  const int32_t end = bytesPerPlaneLine;
  int32_t p = 0;
  while (p < end) {
    const uint8_t v = line[p];
    int32_t m = 1;
    while (p + m < end && line[p + m] == v) ++m;
    p += m;
    for (; m > 63; m -= 63) {
      if (outUsed + 2 > kOutBytes) drain();
      emit(0xFF);
      emit(v);
    }
    if (outUsed + 2 > kOutBytes) drain();
    if (m > 1 || v >= 0xC0) emit(static_cast<uint8_t>(0xC0 | m));
    emit(v);
  }
  drain();
  return getStatus();
}

int32_t cPcxEncoder::encodeLine(const uint8_t* row, int32_t pixelCount) {
  if (status != 0) return getStatus();
  if (pixelCount < 0) pixelCount = 0;
  static const uint8_t kBlack = 0;
  if (bitsPerPlane == 8) {
    // Plane j of pixel x is row byte x * planeCount + j.
    for (int32_t j = 0; j < planeCount; ++j) {
      clearLine();
      const int32_t count = pixelCount < bytesPerPlaneLine ? pixelCount : bytesPerPlaneLine;
      if (row) {
        for (int32_t x = 0; x < count; ++x)
          lineBuffer[x] = row[static_cast<size_t>(x) * static_cast<size_t>(planeCount) + static_cast<size_t>(j)];
      }
      fillIndex = count;
      if (flushLine() != 0) break;
    }
  } else {
    // Plane j holds bits j * bitsPerPlane and up of each pixel's byte.
    int32_t shift = 0;
    for (int32_t j = 0; j < planeCount; ++j) {
      clearLine();
      if (row && shift < 8 && 8 % bitsPerPlane == 0) {
        packWhole(row, pixelCount, shift);
      } else {
        for (int32_t i = 0; i < pixelCount && fillIndex < bytesPerPlaneLine; ++i) {
          const uint32_t value = shift < 8 ? (row ? row[i] : kBlack) >> shift : 0;
          pack(value, bitsPerPlane);
        }
      }
      if (flushLine() != 0) break;
      shift += bitsPerPlane;
    }
  }
  return getStatus();
}
