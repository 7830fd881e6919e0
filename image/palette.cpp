// cPalette: every entry starts black; a palette whose memory could not be
// obtained keeps its count but answers no entry.
#include "image/palette.h"

#include <cstring>
#include <new>

cPalette::cPalette(uint32_t newCount) {
  if (newCount == 0) return;
  // Counts whose table would not fit 32 bits fail like a refused allocation.
  if (newCount > 0xFFFFFFFFu / 3u || newCount > 0x7FFFFFFFu) {
    count = static_cast<int32_t>(newCount > 0x7FFFFFFFu ? 0x7FFFFFFF : newCount);
    return;
  }
  count = static_cast<int32_t>(newCount);
  entries = new (std::nothrow) uint8_t[static_cast<size_t>(newCount) * 3u];
  if (entries) std::memset(entries, 0, static_cast<size_t>(newCount) * 3u);
}

cPalette::~cPalette() { delete[] entries; }

bool cPalette::getEntry(int32_t index, uint8_t* rgb) const {
  if (index < 0 || index >= count || !entries) return false;
  const uint8_t* entry = entries + static_cast<size_t>(index) * 3u;
  rgb[0] = entry[0];
  rgb[1] = entry[1];
  rgb[2] = entry[2];
  return true;
}
