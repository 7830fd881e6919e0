// bmpChannels: the checks on the masks and the widening tables.
#include "image/bmp/bmpChannels.h"

bool bmpChannels::set(const uint32_t masks[3], uint32_t pixelBits) {
  const uint64_t pixelMask = pixelBits >= 32 ? 0xFFFFFFFFull : (1ull << pixelBits) - 1;
  uint32_t seen = 0;
  for (int c = 0; c < 3; ++c) {
    const uint32_t m = masks[c];
    if (m == 0 || (m & ~pixelMask) != 0 || (m & seen) != 0) return false;
    seen |= m;
    uint32_t low = 0;
    while (((m >> low) & 1u) == 0) ++low;
    const uint64_t run = static_cast<uint64_t>(m) >> low;
    if ((run & (run + 1)) != 0) return false;  // a gap: not one run of bits
    uint32_t bits = 0;
    while ((run >> bits) & 1u) ++bits;
    if (bits > 8) return false;
    mask[c] = m;
    shift[c] = low;
    // Repeating the bits from the top down: 5 bits abcde become abcdeabc.
    const uint32_t top = (1u << bits) - 1;
    for (uint32_t v = 0; v <= top; ++v) {
      uint32_t wide = 0;
      for (int32_t at = 8 - static_cast<int32_t>(bits); at > -static_cast<int32_t>(bits); at -= static_cast<int32_t>(bits))
        wide |= at >= 0 ? v << at : v >> -at;
      widen[c][v] = static_cast<uint8_t>(wide);
    }
  }
  return true;
}

bool bmpChannels::setUncompressed(uint32_t pixelBits) {
  static const uint32_t kFive[3] = {0x7C00, 0x03E0, 0x001F};
  static const uint32_t kEight[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  return set(pixelBits == 16 ? kFive : kEight, pixelBits);
}
