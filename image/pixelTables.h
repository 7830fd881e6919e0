// Tables that spread packed pixel bytes into one byte per pixel, leftmost
// pixel first, shared by the BMP and PCX decoders.
#pragma once

#include <cstdint>

// The eight pixels (0 or 1) of a byte of 1-bit data, the most significant
// bit first, so that a byte becomes eight pixels in one 8-byte copy.
struct imgBitExpansion {
  uint8_t pixels[256][8];
  constexpr imgBitExpansion() : pixels() {
    for (int v = 0; v < 256; ++v)
      for (int k = 0; k < 8; ++k) pixels[v][k] = static_cast<uint8_t>((v >> (7 - k)) & 1);
  }
};
inline constexpr imgBitExpansion kImgMsbFirstBits;

// The two pixels of a byte of 4-bit data, the high nibble first.
struct imgNibbleExpansion {
  uint8_t pixels[256][2];
  constexpr imgNibbleExpansion() : pixels() {
    for (int v = 0; v < 256; ++v) {
      pixels[v][0] = static_cast<uint8_t>(v >> 4);
      pixels[v][1] = static_cast<uint8_t>(v & 0x0F);
    }
  }
};
inline constexpr imgNibbleExpansion kImgNibblePairs;
