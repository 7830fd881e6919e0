// zolmcom info FILE: reads FILE (standard input for "-") as topnm does and
// prints one "name: value" line each for its format, width, height, bits
// per pixel, planes, compression and colours, and for BMP files the size
// of the header, as the file describes them.
#include <cstdio>

#include "image/bmp/bmpImg.h"
#include "image/pcx/pcxImg.h"
#include "tools/commands.h"
#include "tools/options.h"
#include "tools/pictureFile.h"

namespace {

const char* bmpCompression(uint32_t compression) {
  switch (compression) {
    case 0: return "none";
    case 1: return "RLE8";
    case 2: return "RLE4";
    case 3: return "bit fields";
    default: return nullptr;
  }
}

}  // namespace

int infoCommand(const zolmCommand& self, const commandArgs& args) {
  std::vector<std::string> operands;
  const int stop = readOptions(self, args, {}, nullptr, operands);
  if (stop >= 0) return stop;
  if (operands.size() != 1) return usageError(self, operands.empty() ? "FILE is needed" : "too many arguments");
  pictureInput input;
  if (!input.read(operands[0])) return 1;
  const cBitmapFile& image = *input.image;

  std::printf("format: %s\n", formatName(input.format));
  std::printf("width: %d\nheight: %d\nbits per pixel: %u\n", image.width, image.height,
              static_cast<unsigned>(image.bitsPerPixel));
  if (input.format == pictureFormat::bmp) {
    const cBmpImg& bmp = static_cast<const cBmpImg&>(image);
    const bool core = bmp.coreHeader.bcSize == bmpCoreHeader::size;
    const char* compression = bmpCompression(bmp.compression);
    std::printf("planes: %u\n", static_cast<unsigned>(core ? bmp.coreHeader.bcPlanes : bmp.infoHeader.biPlanes));
    if (compression)
      std::printf("compression: %s\n", compression);
    else
      std::printf("compression: %u\n", static_cast<unsigned>(bmp.compression));
    std::printf("colours: %u\n", static_cast<unsigned>(image.colorCount));
    std::printf("header size: %u\n", static_cast<unsigned>(core ? bmp.coreHeader.bcSize : bmp.infoHeader.biSize));
  } else {
    const pcxHeader& header = static_cast<const cPcxImg&>(image).header;
    std::printf("planes: %u\n", static_cast<unsigned>(header.planes()));
    std::printf("compression: %s\n", header.encoding == 1 ? "RLE" : "none");
    std::printf("colours: %u\n", static_cast<unsigned>(image.colorCount));
  }
  return 0;
}
