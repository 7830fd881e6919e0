// cBmpEncoder: packs each row to the file's depth (1 and 4 bits most
// significant first, 24 bits as blue, green, red), adds the zero fill bytes
// that round a row up to whole 32-bit words, and hands the bytes to the image
// in a few large pieces. The bytes and their order are those of writing them
// one at a time.
#include "image/bmp/bmpEncoder.h"

#include <cstring>

#include "image/bitmapFile.h"

cBmpEncoder::cBmpEncoder(cBitmapFile* image, int32_t bits) : bitsPerPixel(bits), source(image) {}

int32_t cBmpEncoder::getStatus() { return static_cast<int32_t>(source->getSystemError()); }

int64_t cBmpEncoder::fileRowBytes(int32_t bits, int64_t n) {
  if (n < 0) return -1;
  int64_t bytes;
  switch (bits) {
    case 1:
      bytes = ((n + 7) / 8 + 3) / 4 * 4;
      break;
    case 4:
      bytes = ((n + 1) / 2 + 3) / 4 * 4;
      break;
    case 8:
      bytes = (n + 3) / 4 * 4;
      break;
    case 24:
      bytes = (3 * n + 3) / 4 * 4;
      break;
    default:
      return -1;
  }
  return bytes > INT32_MAX ? -1 : bytes;
}

void cBmpEncoder::put(uint8_t value) {
  if (used == kChunkBytes) drain();
  chunk[used++] = value;
}

void cBmpEncoder::drain() {
  if (used > 0) source->writeBytes(chunk, used);  // failures show in getStatus()
  used = 0;
}

void cBmpEncoder::writeZeros(int64_t count) {
  while (count > 0) {
    if (used == kChunkBytes) drain();
    const int64_t room = kChunkBytes - used;
    const int32_t step = static_cast<int32_t>(count < room ? count : room);
    std::memset(chunk + used, 0, static_cast<size_t>(step));
    used += step;
    count -= step;
  }
}

int32_t cBmpEncoder::encodeLine(const uint8_t* row, int32_t n) {
  const int64_t rowBytes = fileRowBytes(bitsPerPixel, n);
  if (rowBytes < 0) return getStatus();
  if (!row) {
    // A row the store cannot give is written black, so that the rows after
    // it stay where the header says they are.
    writeZeros(rowBytes);
    drain();
    return getStatus();
  }
  switch (bitsPerPixel) {
    case 1: {
      // Eight pixels to a byte, leftmost in the top bit; any non-zero pixel
      // sets its bit.
      uint8_t byte = 0;
      for (int32_t i = 0; i < n; ++i) {
        if (row[i]) byte = static_cast<uint8_t>(byte | (0x80u >> (i & 7)));
        if ((i & 7) == 7) {
          put(byte);
          byte = 0;
        }
      }
      if (n & 7) put(byte);
      writeZeros(rowBytes - (int64_t(n) + 7) / 8);
      break;
    }
    case 4: {
      // Two pixels to a byte, the first in the high nibble.
      int32_t i = 0;
      for (; i + 1 < n; i += 2) put(static_cast<uint8_t>((row[i] << 4) | (row[i + 1] & 0x0F)));
      if (i < n) put(static_cast<uint8_t>(row[i] << 4));
      writeZeros(rowBytes - (int64_t(n) + 1) / 2);
      break;
    }
    case 8:
      drain();
      source->writeBytes(row, n);
      writeZeros(rowBytes - n);
      break;
    case 24: {
      // The store holds red, green, blue; the file wants blue, green, red.
      // The row itself is left as it is.
      int32_t i = 0;
      while (i < n) {
        if (used + 3 > kChunkBytes) drain();
        const int32_t fit = (kChunkBytes - used) / 3;
        const int32_t count = n - i < fit ? n - i : fit;
        uint8_t* out = chunk + used;
        const uint8_t* in = row + 3 * static_cast<size_t>(i);
        for (int32_t k = 0; k < count; ++k, out += 3, in += 3) {
          out[0] = in[2];
          out[1] = in[1];
          out[2] = in[0];
        }
        used += 3 * count;
        i += count;
      }
      writeZeros(rowBytes - 3 * int64_t(n));
      break;
    }
  }
  drain();
  return getStatus();
}
