// cBmpEncoder: writes the rows of an uncompressed BMP file, one row of the
// pixel store at a time, packed to the file's bit depth and filled with zero
// bytes up to a multiple of four. It keeps no status of its own: a failed
// write shows as the image's systemError.
#pragma once

#include <cstdint>

#include "image/codec.h"

class cBitmapFile;

class cBmpEncoder : public cEncoder {
 public:
  cBmpEncoder(cBitmapFile* source, int32_t bitsPerPixel);
  ~cBmpEncoder() override = default;

  // Writes one row of pixelCount pixels (one byte each, or red, green, blue
  // for 24 bits) at 1, 4, 8 or 24 bits per pixel; other depths write nothing.
  int32_t encodeLine(const uint8_t* row, int32_t pixelCount) override;
  // The image's systemError: anything but 0 means stop.
  int32_t getStatus() override;

  // Bytes one row of `pixelCount` pixels takes in the file at `bitsPerPixel`,
  // fill included; -1 for a depth the encoder does not write or a row whose
  // size does not fit 31 bits.
  static int64_t fileRowBytes(int32_t bitsPerPixel, int64_t pixelCount);

  int32_t bitsPerPixel;
  cBitmapFile* source;  // not owned

 private:
  // Rows are assembled here and handed to the image in pieces of this size,
  // so a row costs a few copies instead of one call per byte.
  static constexpr int32_t kChunkBytes = 4092;  // a multiple of 3 and of 4
  void put(uint8_t value);
  void drain();
  void writeZeros(int64_t count);

  uint8_t chunk[kChunkBytes];
  int32_t used = 0;
};
