// imgRgbPixels: the store's rows mapped through the palette into one
// contiguous red, green, blue array.
#include "image/rgbPixels.h"

#include <cstring>

#include "image/bitmapFile.h"
#include "image/imgStore.h"
#include "image/palette.h"

bool imgRgbPixels(const cBitmapFile& image, std::vector<uint8_t>& rgb) {
  rgb.clear();
  const cImgStore* store = image.pixels;
  if (!store || store->failed || store->width < 0 || store->rowCount < 0) return false;
  const size_t width = static_cast<size_t>(store->width);
  rgb.resize(width * 3 * static_cast<size_t>(store->rowCount));
  const bool trueColor = store->bitsPerPixel == 24;
  if (!trueColor && store->bitsPerPixel != 8) return false;
  uint8_t colors[256][3] = {};
  if (image.palette) {
    for (int32_t i = 0; i < 256; ++i) image.palette->getEntry(i, colors[i]);
  }
  uint8_t* out = rgb.data();
  for (int32_t r = 0; r < store->rowCount; ++r) {
    const uint8_t* row = store->getRow(r);
    if (trueColor) {
      std::memcpy(out, row, width * 3);
      out += width * 3;
      continue;
    }
    for (size_t x = 0; x < width; ++x, out += 3) std::memcpy(out, colors[row[x]], 3);
  }
  return true;
}
