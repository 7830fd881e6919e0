// cRgbRows and imgRgbPixels: the store's rows mapped through the palette.
#include "image/rgbPixels.h"

#include <cstring>

#include "image/bitmapFile.h"
#include "image/imgStore.h"
#include "image/palette.h"

cRgbRows::cRgbRows(const cBitmapFile& source) : image(source) {
  const cImgStore* store = image.pixels;
  if (!store || store->failed || store->width < 0 || store->rowCount < 0) return;
  if (store->bitsPerPixel != 8 && store->bitsPerPixel != 24) return;
  trueColour = store->bitsPerPixel == 24;
  columns = store->width;
  rows = store->rowCount;
  if (image.palette) {
    for (int32_t i = 0; i < 256; ++i) image.palette->getEntry(i, colours[i]);
  }
  usable = true;
}

bool cRgbRows::row(int32_t index, uint8_t* out) const {
  if (!usable || index < 0 || index >= rows) return false;
  const uint8_t* data = image.pixels->getRow(index);
  const size_t width = static_cast<size_t>(columns);
  if (trueColour) {
    std::memcpy(out, data, width * 3);
    return true;
  }
  // Four bytes per pixel while a whole spare byte follows; the last pixel
  // gets its three.
  size_t x = 0;
  for (; x + 1 < width; ++x) std::memcpy(out + 3 * x, colours[data[x]], 4);
  if (x < width) std::memcpy(out + 3 * x, colours[data[x]], 3);
  return true;
}

const uint8_t* cRgbRows::rowView(int32_t index, uint8_t* scratch) const {
  if (!usable || index < 0 || index >= rows) return nullptr;
  if (trueColour) return image.pixels->getRow(index);
  row(index, scratch);
  return scratch;
}

bool imgRgbPixels(const cBitmapFile& image, std::vector<uint8_t>& rgb) {
  rgb.clear();
  cRgbRows rows(image);
  if (!rows.ready()) return false;
  const size_t rowBytes = static_cast<size_t>(rows.width()) * 3;
  rgb.resize(rowBytes * static_cast<size_t>(rows.height()));
  for (int32_t r = 0; r < rows.height(); ++r) rows.row(r, rgb.data() + rowBytes * static_cast<size_t>(r));
  return true;
}
