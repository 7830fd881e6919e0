// The writers' common refusals, shared so that both formats refuse the same
// broken pictures with the same codes.
#include "image/writeCheck.h"

#include "image/bitmapFile.h"
#include "image/imgStore.h"
#include "image/palette.h"

int32_t imgCheckStore(const cBitmapFile& image) {
  const cImgStore* store = image.pixels;
  if (!store || store->failed) return errFormat;
  if (image.width < 0 || image.height < 0) return errFormat;
  if (image.bytesPerPixel != 1 && image.bytesPerPixel != 3) return errFormat;
  if (store->rowCount != image.height || store->width != image.width) return errFormat;
  // Every row must hold the bytes the encoders take from it.
  if (store->rowBytes < int64_t{image.width} * image.bytesPerPixel) return errFormat;
  return errNone;
}

int32_t imgCheckPalette(const cBitmapFile& image, uint32_t entries) {
  if (entries == 0) return errNone;
  const cPalette* palette = image.palette;
  if (!palette || !palette->entries || palette->count < 0) return errPalette;
  if (static_cast<uint32_t>(palette->count) < entries) return errPalette;
  return errNone;
}
