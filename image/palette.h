// cPalette: a picture's colour table, count entries of red, green, blue.
#pragma once

#include <cstdint>

class cPalette {
 public:
  explicit cPalette(uint32_t count);
  virtual ~cPalette();
  cPalette(const cPalette&) = delete;
  cPalette& operator=(const cPalette&) = delete;

  // Copies entry `index` into rgb[0..2]; false for an index out of range or a
  // palette whose entries could not be obtained.
  bool getEntry(int32_t index, uint8_t* rgb) const;

  int32_t count = 0;
  // count * 3 bytes: red, green, blue per entry; the readers fill it directly.
  uint8_t* entries = nullptr;
};
