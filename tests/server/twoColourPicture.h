// A 1x1 BMP file with a two-colour palette, written into a private scratch
// directory: the smallest picture that takes a palette through the whole road.
// Colour 0 is (48, 32, 16), colour 1 is (253, 254, 255).
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/scratchDirectory.h"

namespace picture_test {

inline std::string WriteTwoColourBmp(const std::string& fileName) {
  static const uint8_t bmp[] = {
      'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,  // file header: size 66, pixels at 62
      40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,              // info header: 40 bytes, 1 x 1
      1, 0, 1, 0, 0, 0, 0, 0, 4, 0, 0, 0,               // 1 plane, 1 bit, no compression, 4 bytes
      0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,   // resolution, 2 colours used
      16, 32, 48, 0, 255, 254, 253, 0,                  // palette, blue green red reserved
      0x80, 0, 0, 0};                                   // one row: pixel 1, padded to 4 bytes
  static_assert(sizeof(bmp) == 66, "the picture is 66 bytes");
  static const std::string directory = testscratch::makeDirectory("/tmp/zolmcom-picture-XXXXXX");
  const std::string path = directory + "/" + fileName;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return std::string();
  std::fwrite(bmp, 1, sizeof bmp, file);
  std::fclose(file);
  return path;
}

}  // namespace picture_test
