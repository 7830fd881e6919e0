// The three BMP header records as the file holds them, little-endian, with
// conversions from and to their exact bytes (the records have no padding in
// the file, so they are never copied as C++ structs).
#pragma once

#include <cstdint>

inline uint16_t bmpGet16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t bmpGet32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void bmpPut16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void bmpPut32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// File header, 14 bytes at offset 0.
struct bmpFileHeader {
  static constexpr int32_t size = 14;
  uint16_t bfType = 0;       // "BM"
  uint32_t bfSize = 0;       // length of the file
  uint16_t bfReserved1 = 0;
  uint16_t bfReserved2 = 0;
  uint32_t bfOffBits = 0;    // offset of the pixel data

  void load(const uint8_t* p) {
    bfType = bmpGet16(p);
    bfSize = bmpGet32(p + 2);
    bfReserved1 = bmpGet16(p + 6);
    bfReserved2 = bmpGet16(p + 8);
    bfOffBits = bmpGet32(p + 10);
  }
  void store(uint8_t* p) const {
    bmpPut16(p, bfType);
    bmpPut32(p + 2, bfSize);
    bmpPut16(p + 6, bfReserved1);
    bmpPut16(p + 8, bfReserved2);
    bmpPut32(p + 10, bfOffBits);
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
    bcSize = bmpGet32(p);
    bcWidth = bmpGet16(p + 4);
    bcHeight = bmpGet16(p + 6);
    bcPlanes = bmpGet16(p + 8);
    bcBitCount = bmpGet16(p + 10);
  }
  void store(uint8_t* p) const {
    bmpPut32(p, bcSize);
    bmpPut16(p + 4, bcWidth);
    bmpPut16(p + 6, bcHeight);
    bmpPut16(p + 8, bcPlanes);
    bmpPut16(p + 10, bcBitCount);
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
  uint32_t biCompression = 0;  // 0 uncompressed, 1 RLE8, 2 RLE4
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;

  void load(const uint8_t* p) {
    biSize = bmpGet32(p);
    biWidth = static_cast<int32_t>(bmpGet32(p + 4));
    biHeight = static_cast<int32_t>(bmpGet32(p + 8));
    biPlanes = bmpGet16(p + 12);
    biBitCount = bmpGet16(p + 14);
    biCompression = bmpGet32(p + 16);
    biSizeImage = bmpGet32(p + 20);
    biXPelsPerMeter = static_cast<int32_t>(bmpGet32(p + 24));
    biYPelsPerMeter = static_cast<int32_t>(bmpGet32(p + 28));
    biClrUsed = bmpGet32(p + 32);
    biClrImportant = bmpGet32(p + 36);
  }
  void store(uint8_t* p) const {
    bmpPut32(p, biSize);
    bmpPut32(p + 4, static_cast<uint32_t>(biWidth));
    bmpPut32(p + 8, static_cast<uint32_t>(biHeight));
    bmpPut16(p + 12, biPlanes);
    bmpPut16(p + 14, biBitCount);
    bmpPut32(p + 16, biCompression);
    bmpPut32(p + 20, biSizeImage);
    bmpPut32(p + 24, static_cast<uint32_t>(biXPelsPerMeter));
    bmpPut32(p + 28, static_cast<uint32_t>(biYPelsPerMeter));
    bmpPut32(p + 32, biClrUsed);
    bmpPut32(p + 36, biClrImportant);
  }
};
