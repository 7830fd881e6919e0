// cImgStore: the pixel rows of a picture, row 0 at the top, each row a
// separate zero-filled buffer of rowBytes bytes; a non-owning palette link.
#pragma once

#include <cstdint>

class cPalette;

class cImgStore {
 public:
  cImgStore(int32_t rowCount, int32_t width, int32_t bitsPerPixel);
  virtual ~cImgStore();
  cImgStore(const cImgStore&) = delete;
  cImgStore& operator=(const cImgStore&) = delete;

  // Copies rowBytes bytes into row `index`; ignored when failed or out of range.
  void setRow(const uint8_t* data, int32_t index);
  // Row `index` for reading and writing in place, or null.
  uint8_t* getRow(int32_t index) const;

  int32_t failed = 0;
  int32_t rowCount = 0;
  int32_t width = 0;
  int32_t bitsPerPixel = 0;
  int32_t rowBytes = 0;
  uint8_t** rows = nullptr;
  cPalette* palette = nullptr;  // not owned
};

// (width * bitsPerPixel + 7) / 8 computed in 64 bits; -1 when it does not fit
// a signed 32-bit byte count or an argument is negative.
int64_t imgRowBytes(int64_t width, int64_t bitsPerPixel);
