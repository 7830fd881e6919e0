// zolmcom topnm FILE OUT: reads FILE with the image library, the reader
// chosen by the name's extension as the palette loader chooses it (PCX and
// ICO: PCX, BMP: BMP, case ignored), and writes OUT as a binary PPM ("P6"),
// rows from the top. Palette pictures go through their palette; 24-bit
// pictures are written as they are, also a 24-bit PCX picture, for which the
// reader reports the missing palette.
#include <cstdio>
#include <memory>
#include <new>

#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/pcx/pcxImg.h"
#include "tools/commands.h"
#include "tools/ppmWriter.h"
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
  if (writePpm(output, *image) != 0) {
    std::fprintf(stderr, "zolmcom: %s: cannot write the picture\n", output.c_str());
    return 1;
  }
  return 0;
}
