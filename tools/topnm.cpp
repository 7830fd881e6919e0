// zolmcom topnm FILE OUT: reads FILE with the image library, the reader
// chosen by the name's extension as the palette loader chooses it (PCX and
// ICO: PCX, BMP: BMP, case ignored), and writes OUT as a binary PPM ("P6"),
// rows from the top. Palette pictures go through their palette; 24-bit
// pictures are written as they are, also a 24-bit PCX picture, for which the
// reader reports the missing palette.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxImg.h"
#include "tools/commands.h"
#include "tools/toolText.h"

namespace {

std::unique_ptr<cBitmapFile> imageFor(const std::string& path) {
  const std::string extension = upperExtension(path);
  if (extension == "PCX" || extension == "ICO") return std::unique_ptr<cBitmapFile>(new (std::nothrow) cPcxImg);
  if (extension == "BMP") return std::unique_ptr<cBitmapFile>(new (std::nothrow) cBmpImg);
  return nullptr;
}

// A 24-bit PCX picture has no palette, and says so; its pixels are whole.
bool acceptable(const cBitmapFile& image) {
  if (image.errorCode == errNone) return true;
  return image.errorCode == errPalette && image.bitsPerPixel == 24;
}

// A store the PPM writer can take: whole, one byte per pixel or three.
bool drawable(const cImgStore& store) {
  return !store.failed && store.width >= 0 && store.rowCount >= 0 &&
         (store.bitsPerPixel == 8 || store.bitsPerPixel == 24);
}

// Writes the picture as a binary PPM, a band of rows at a time, so that no
// second copy of the whole picture is made: 24-bit rows go out as the store
// holds them, palette rows are looked up into one reused buffer. Indexes
// without a palette entry come out black.
bool writePpm(const std::string& path, const cBitmapFile& image) {
  const cImgStore& store = *image.pixels;
  const size_t width = static_cast<size_t>(store.width);
  const bool trueColor = store.bitsPerPixel == 24;
  FILE* out = openByName(path, "wb");
  if (!out) return false;
  bool ok = std::fprintf(out, "P6\n%d %d\n255\n", store.width, store.rowCount) > 0;
  // Each colour as four bytes, so that a pixel is one 32-bit store; the
  // fourth byte is overwritten by the next pixel.
  uint32_t colors[256] = {};
  if (!trueColor && image.palette) {
    for (int32_t i = 0; i < 256; ++i) {
      uint8_t rgb[3] = {0, 0, 0};
      image.palette->getEntry(i, rgb);
      std::memcpy(&colors[i], rgb, 3);
    }
  }
  // About 1 MiB of rows a band, at least one row; one byte of slack for the
  // last pixel's fourth byte.
  const size_t rowBytes = width * 3;
  const size_t bandRows = rowBytes == 0 ? 1 : std::max<size_t>(1, (size_t{1} << 20) / rowBytes);
  std::vector<uint8_t> band;
  if (!trueColor) band.resize(bandRows * rowBytes + 1);
  for (int32_t first = 0; ok && first < store.rowCount; first += static_cast<int32_t>(bandRows)) {
    const int32_t last = std::min<int64_t>(store.rowCount, first + static_cast<int64_t>(bandRows));
    if (trueColor) {
      for (int32_t r = first; ok && r < last; ++r)
        ok = rowBytes == 0 || std::fwrite(store.getRow(r), 1, rowBytes, out) == rowBytes;
      continue;
    }
    uint8_t* to = band.data();
    for (int32_t r = first; r < last; ++r) {
      const uint8_t* row = store.getRow(r);
      for (size_t x = 0; x < width; ++x, to += 3) std::memcpy(to, &colors[row[x]], 4);
    }
    const size_t bytes = static_cast<size_t>(to - band.data());
    ok = bytes == 0 || std::fwrite(band.data(), 1, bytes, out) == bytes;
  }
  ok = std::fclose(out) == 0 && ok;
  return ok;
}

}  // namespace

int topnmCommand(const commandArgs& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: zolmcom topnm FILE OUT\n");
    return 2;
  }
  const std::string& input = args[0];
  const std::string& output = args[1];
  std::unique_ptr<cBitmapFile> image = imageFor(input);
  if (!image) {
    std::fprintf(stderr, "zolmcom: %s: not a BMP or PCX file name (.bmp, .pcx, .ico)\n", input.c_str());
    return 1;
  }
  const wideString name = toWide(input);
  const int32_t result = image->loadFile(name.c_str());
  if (!image->pixels) {
    std::fprintf(stderr, "zolmcom: %s: no picture read (error %d, system error %u)\n", input.c_str(),
                 result, image->getSystemError());
    return 1;
  }
  if (!acceptable(*image) || !drawable(*image->pixels)) {
    std::fprintf(stderr, "zolmcom: %s: read failed (error %d)\n", input.c_str(), result);
    return 1;
  }
  if (!writePpm(output, *image)) {
    std::fprintf(stderr, "zolmcom: %s: cannot write the picture\n", output.c_str());
    return 1;
  }
  return 0;
}
