// How 16- and 32-bit BMP pixels hold their red, green and blue: one mask per
// channel, from the header (BI_BITFIELDS) or the fixed layouts of
// uncompressed pixels (5-5-5 in 16 bits, 8-8-8 in 32). Each channel's value
// is widened to 0-255 by repeating its bits, so that its largest value
// becomes 255. The other bits (alpha, the top bit of 5-5-5) are ignored.
#pragma once

#include <cstdint>

struct bmpChannels {
  // Red, green, blue.
  uint32_t mask[3] = {};
  uint32_t shift[3] = {};
  // widen[c][v]: channel c's value v (below 2^bits) as 0-255.
  uint8_t widen[3][256] = {};

  // Takes the masks of a `pixelBits`-bit pixel; false when a mask is 0,
  // is not one run of bits, overlaps another, is wider than 8 bits or
  // reaches beyond the pixel: no picture can be read through it.
  bool set(const uint32_t masks[3], uint32_t pixelBits);
  // The layout of uncompressed pixels of 16 or 32 bits.
  bool setUncompressed(uint32_t pixelBits);

  // The red, green and blue of one pixel.
  void toRgb(uint32_t pixel, uint8_t* rgb) const {
    for (int c = 0; c < 3; ++c) rgb[c] = widen[c][(pixel & mask[c]) >> shift[c]];
  }
};
