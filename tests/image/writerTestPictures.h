// Helpers for the writers' tests: pictures built in memory as the readers
// would leave them, scratch files by name, a file that a refused save must
// leave alone, saves under a file size limit, and little-endian fields read
// back from written files.
#pragma once

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/bitmapFile.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxImg.h"
#include "imageTestFiles.h"

namespace writertest {

// Gives `image` a picture of width x height at `bits` bits per pixel with a
// palette of `entries` colours (entry i = i, 2i, 3i modulo 256) linked to
// its store; pixel x of row y (row 0 at the top) takes value(x, y, byte).
inline void makePicture(cBitmapFile& image, int32_t width, int32_t height, uint16_t bits,
                        uint32_t colorCount, uint32_t entries,
                        const std::function<uint8_t(int32_t, int32_t, int32_t)>& value) {
  image.bitsPerPixel = bits;
  image.colorCount = colorCount;
  image.width = width;
  image.height = height;
  image.bytesPerPixel = bits == 24 ? 3 : 1;
  image.bytesPerLine = (width * image.bytesPerPixel + 3) & ~3;
  delete image.pixels;
  delete image.palette;
  image.pixels = new cImgStore(height, width, 8 * image.bytesPerPixel);
  image.palette = new cPalette(entries);
  for (uint32_t i = 0; i < entries; ++i) {
    image.palette->entries[3 * i] = static_cast<uint8_t>(i);
    image.palette->entries[3 * i + 1] = static_cast<uint8_t>(2 * i);
    image.palette->entries[3 * i + 2] = static_cast<uint8_t>(3 * i);
  }
  image.pixels->palette = image.palette;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = image.pixels->getRow(y);
    for (int32_t x = 0; x < width; ++x)
      for (int32_t k = 0; k < image.bytesPerPixel; ++k) row[x * image.bytesPerPixel + k] = value(x, y, k);
  }
}

// A PCX header as the reader accepts it for `bits` x `planes`, the window
// 0, 0, width - 1, height - 1 and `bytesPerPlaneLine`.
inline void makePcxHeader(cPcxImg& image, uint8_t bits, uint8_t planes, uint16_t bytesPerPlaneLine,
                          uint8_t version = 5) {
  pcxHeader& h = image.header;
  h = pcxHeader();
  h.manufacturer = 10;
  h.version = version;
  h.encoding = 1;
  h.bitsPerPlane = bits;
  h.xMax = static_cast<uint16_t>(image.width - 1);
  h.yMax = static_cast<uint16_t>(image.height - 1);
  h.planeCount = planes;
  h.bytesPerPlaneLine = bytesPerPlaneLine;
  image.bytesPerLine = image.bytesPerPixel * image.width;
}

// Scratch file `name`: its UTF-16 path as the writers take it, and its bytes.
inline std::u16string scratchName(const std::string& name) {
  return testfiles::wide(testfiles::scratchPath(name));
}
inline std::vector<uint8_t> scratchBytes(const std::string& name) {
  return testfiles::readFile(testfiles::scratchPath(name));
}

// A scratch file of ten bytes standing under `name`: a save over it that is
// refused must leave it as it was.
class KeptFile {
 public:
  explicit KeptFile(const std::string& name) : name_(name) {
    testfiles::writeFile(testfiles::scratchPath(name_), contents());
  }
  // Saves `image` under the kept file's name, expects the file unchanged and
  // gives the save's result.
  template <typename Image>
  int32_t saveOver(Image& image) const {
    const int32_t result = image.saveFile(scratchName(name_).c_str());
    EXPECT_EQ(contents(), scratchBytes(name_)) << name_ << " changed";
    return result;
  }

 private:
  static std::vector<uint8_t> contents() { return std::vector<uint8_t>(10, 0x5A); }
  std::string name_;
};

// Runs `save` while files may grow to `limit` bytes only, writes beyond it
// failing instead of raising SIGXFSZ, and gives its result; the limit is
// lifted again afterwards.
template <typename Save>
int32_t saveUnderFileSizeLimit(rlim_t limit, Save&& save) {
  struct rlimit old;
  if (getrlimit(RLIMIT_FSIZE, &old) != 0) {
    ADD_FAILURE() << "no file size limit to read";
    return -1;
  }
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = limit;
  if (setrlimit(RLIMIT_FSIZE, &small) != 0) {
    ADD_FAILURE() << "the file size limit could not be set";
    return -1;
  }
  const int32_t result = save();
  setrlimit(RLIMIT_FSIZE, &old);
  return result;
}

inline uint32_t le16(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | (uint32_t(bytes[at + 1]) << 8);
}
inline uint32_t le32(const std::vector<uint8_t>& bytes, size_t at) {
  return le16(bytes, at) | (le16(bytes, at + 2) << 16);
}

}  // namespace writertest
