// The three BMP header records as the file holds them, little-endian, with
// conversions from and to their exact bytes (the records have no padding in
// the file, so they are never copied as C++ structs).
#pragma once

#include <cstdint>

#include "image/littleEndian.h"

// The kinds of pixel data an info header's biCompression names.
constexpr uint32_t kBmpUncompressed = 0;
constexpr uint32_t kBmpRle8 = 1;
constexpr uint32_t kBmpRle4 = 2;
constexpr uint32_t kBmpBitfields = 3;  // 16 or 32 bits through channel masks

// File header, 14 bytes at offset 0.
struct bmpFileHeader {
  static constexpr int32_t size = 14;
  uint16_t bfType = 0;       // "BM"
  uint32_t bfSize = 0;       // length of the file
  uint16_t bfReserved1 = 0;
  uint16_t bfReserved2 = 0;
  uint32_t bfOffBits = 0;    // offset of the pixel data

  void load(const uint8_t* p) {
    bfType = imgGet16(p);
    bfSize = imgGet32(p + 2);
    bfReserved1 = imgGet16(p + 6);
    bfReserved2 = imgGet16(p + 8);
    bfOffBits = imgGet32(p + 10);
  }
  void store(uint8_t* p) const {
    imgPut16(p, bfType);
    imgPut32(p + 2, bfSize);
    imgPut16(p + 6, bfReserved1);
    imgPut16(p + 8, bfReserved2);
    imgPut32(p + 10, bfOffBits);
  }
};

// Core header, 12 bytes at offset 14; 16-bit signed dimensions, 3-byte
// palette entries.
struct bmpCoreHeader {
  static constexpr int32_t size = 12;
  uint32_t bcSize = 0;
  uint16_t bcWidth = 0;
  uint16_t bcHeight = 0;
  uint16_t bcPlanes = 0;
  uint16_t bcBitCount = 0;

  void load(const uint8_t* p) {
    bcSize = imgGet32(p);
    bcWidth = imgGet16(p + 4);
    bcHeight = imgGet16(p + 6);
    bcPlanes = imgGet16(p + 8);
    bcBitCount = imgGet16(p + 10);
  }
  void store(uint8_t* p) const {
    imgPut32(p, bcSize);
    imgPut16(p + 4, bcWidth);
    imgPut16(p + 6, bcHeight);
    imgPut16(p + 8, bcPlanes);
    imgPut16(p + 10, bcBitCount);
  }
};

// Info header, 40 bytes at offset 14; 4-byte palette entries. The longer
// headers (52, 56, 108, 124 bytes) begin with the same 40 bytes.
struct bmpInfoHeader {
  static constexpr int32_t size = 40;
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;   // negative: the rows run from the top down
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;  // kBmpUncompressed, kBmpRle8, ...
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;

  void load(const uint8_t* p) {
    biSize = imgGet32(p);
    biWidth = static_cast<int32_t>(imgGet32(p + 4));
    biHeight = static_cast<int32_t>(imgGet32(p + 8));
    biPlanes = imgGet16(p + 12);
    biBitCount = imgGet16(p + 14);
    biCompression = imgGet32(p + 16);
    biSizeImage = imgGet32(p + 20);
    biXPelsPerMeter = static_cast<int32_t>(imgGet32(p + 24));
    biYPelsPerMeter = static_cast<int32_t>(imgGet32(p + 28));
    biClrUsed = imgGet32(p + 32);
    biClrImportant = imgGet32(p + 36);
  }
  void store(uint8_t* p) const {
    imgPut32(p, biSize);
    imgPut32(p + 4, static_cast<uint32_t>(biWidth));
    imgPut32(p + 8, static_cast<uint32_t>(biHeight));
    imgPut16(p + 12, biPlanes);
    imgPut16(p + 14, biBitCount);
    imgPut32(p + 16, biCompression);
    imgPut32(p + 20, biSizeImage);
    imgPut32(p + 24, static_cast<uint32_t>(biXPelsPerMeter));
    imgPut32(p + 28, static_cast<uint32_t>(biYPelsPerMeter));
    imgPut32(p + 32, biClrUsed);
    imgPut32(p + 36, biClrImportant);
  }
};
