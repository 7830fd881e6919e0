// cBmpEncoder: packs each row to the file's depth (1 and 4 bits most
// significant first, 24 bits as blue, green, red), adds the zero fill bytes
// that round a row up to whole 32-bit words, and hands the bytes to the image
// in a few large pieces. The bytes and their order are those of writing them
// one at a time.
#include "image/bmp/bmpEncoder.h"

#include <cstring>

#include "image/bitmapFile.h"
#include "image/imgStore.h"

cBmpEncoder::cBmpEncoder(cBitmapFile* image, int32_t bits) : bitsPerPixel(bits), source(image) {}

int32_t cBmpEncoder::getStatus() { return static_cast<int32_t>(source->getSystemError()); }

int64_t cBmpEncoder::fileRowBytes(int32_t bits, int64_t n) {
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return -1;
  return imgPaddedRowBytes(n, bits, 4);
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
  // The zero bytes that fill the row up to whole 32-bit words.
  const int64_t fill = rowBytes - imgRowBytes(n, bitsPerPixel);
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
      writeZeros(fill);
      break;
    }
    case 4: {
      // Two pixels to a byte, the first in the high nibble.
      int32_t i = 0;
      for (; i + 1 < n; i += 2) put(static_cast<uint8_t>((row[i] << 4) | (row[i + 1] & 0x0F)));
      if (i < n) put(static_cast<uint8_t>(row[i] << 4));
      writeZeros(fill);
      break;
    }
    case 8:
      drain();
      source->writeBytes(row, n);
      writeZeros(fill);
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
      writeZeros(fill);
      break;
    }
  }
  drain();
  return getStatus();
}
