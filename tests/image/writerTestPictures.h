// Helpers for the writers' tests: pictures built in memory as the readers
// would leave them, and little-endian fields read back from written files.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "image/bitmapFile.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxImg.h"

namespace writertest {

// Gives `image` a picture of width x height at `bits` bits per pixel with a
// palette of `entries` colours (entry i = i, 2i, 3i modulo 256) linked to
// its store; pixel x of row y (row 0 at the top) takes value(x, y, byte).
inline void makePicture(cBitmapFile& image, int32_t width, int32_t height, uint16_t bits,
                        uint32_t colorCount, uint32_t entries,
                        const std::function<uint8_t(int32_t, int32_t, int32_t)>& value) {
  image.bitsPerPixel = bits;
  image.colorCount = colorCount;
  image.width = width;
  image.height = height;
  image.bytesPerPixel = bits == 24 ? 3 : 1;
  image.bytesPerLine = (width * image.bytesPerPixel + 3) & ~3;
  delete image.pixels;
  delete image.palette;
  image.pixels = new cImgStore(height, width, 8 * image.bytesPerPixel);
  image.palette = new cPalette(entries);
  for (uint32_t i = 0; i < entries; ++i) {
    image.palette->entries[3 * i] = static_cast<uint8_t>(i);
    image.palette->entries[3 * i + 1] = static_cast<uint8_t>(2 * i);
    image.palette->entries[3 * i + 2] = static_cast<uint8_t>(3 * i);
  }
  image.pixels->palette = image.palette;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = image.pixels->getRow(y);
    for (int32_t x = 0; x < width; ++x)
      for (int32_t k = 0; k < image.bytesPerPixel; ++k) row[x * image.bytesPerPixel + k] = value(x, y, k);
  }
}

// A PCX header as the reader accepts it for `bits` x `planes`, the window
// 0, 0, width - 1, height - 1 and `bytesPerPlaneLine`.
inline void makePcxHeader(cPcxImg& image, uint8_t bits, uint8_t planes, uint16_t bytesPerPlaneLine,
                          uint8_t version = 5) {
  uint8_t* h = image.header;
  for (int i = 0; i < cPcxImg::headerSize; ++i) h[i] = 0;
  h[0] = 10;
  h[1] = version;
  h[2] = 1;
  h[3] = bits;
  const uint16_t xMax = static_cast<uint16_t>(image.width - 1);
  const uint16_t yMax = static_cast<uint16_t>(image.height - 1);
  h[8] = static_cast<uint8_t>(xMax);
  h[9] = static_cast<uint8_t>(xMax >> 8);
  h[10] = static_cast<uint8_t>(yMax);
  h[11] = static_cast<uint8_t>(yMax >> 8);
  h[65] = planes;
  h[66] = static_cast<uint8_t>(bytesPerPlaneLine);
  h[67] = static_cast<uint8_t>(bytesPerPlaneLine >> 8);
  image.bytesPerLine = image.bytesPerPixel * image.width;
}

inline uint32_t le16(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | (uint32_t(bytes[at + 1]) << 8);
}
inline uint32_t le32(const std::vector<uint8_t>& bytes, size_t at) {
  return le16(bytes, at) | (le16(bytes, at + 2) << 16);
}

}  // namespace writertest
