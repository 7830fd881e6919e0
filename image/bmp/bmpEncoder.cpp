// cBmpEncoder: packs each row to the file's depth (1 and 4 bits most
// significant first, 24 bits as blue, green, red), adds the zero fill bytes
// that round a row up to whole 32-bit words, and hands the bytes to the image
// in a few large pieces. The bytes and their order are those of writing them
// one at a time.
#include "image/bmp/bmpEncoder.h"

#include <cstring>

#include "image/bitmapFile.h"
#include "image/imgStore.h"

#if defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace {

// Red, green, blue pixels of `in` to blue, green, red in `out` (not `in`).
void swapRedBlue(const uint8_t* in, uint8_t* out, int32_t pixels) {
  for (int32_t k = 0; k < pixels; ++k, out += 3, in += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

#if defined(__x86_64__)
// The same, five pixels to one byte shuffle: a 24-bit row is most of a
// doubled picture's save, and byte by byte it is three times slower than
// reading the row. Each 16-byte load and store reaches one byte into the next
// pixel, which the shuffle leaves as it was and the next step writes again,
// so the last pixel always goes through the plain loop.
__attribute__((target("ssse3"))) void swapRedBlueShuffled(const uint8_t* in, uint8_t* out, int32_t pixels) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  int32_t i = 0;
  for (; i + 6 <= pixels; i += 5, in += 15, out += 15)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), order));
  swapRedBlue(in, out, pixels - i);
}
#endif

// The swap this processor does fastest, chosen once.
void (*chooseSwap())(const uint8_t*, uint8_t*, int32_t) {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("ssse3")) return swapRedBlueShuffled;
#endif
  return swapRedBlue;
}

}  // namespace

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
        static void (*const swap)(const uint8_t*, uint8_t*, int32_t) = chooseSwap();
        swap(row + 3 * static_cast<size_t>(i), chunk + used, count);
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
