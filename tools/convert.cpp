// zolmcom convert IN OUT [--scale F]: reads IN (standard input for "-"),
// the reader chosen by the file's first bytes, else by its extension;
// scales the picture by F when asked; and saves it as OUT in the format
// OUT's extension names (.bmp BMP; .pcx and .ico PCX). A picture moves
// between the formats with its palette; one that OUT's format cannot hold
// (24 bits as PCX) is refused before OUT is touched. The save replaces OUT
// only when whole (the library's saveFile).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "image/bmp/bmpEncoder.h"
#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxImg.h"
#include "image/scale.h"
#include "tools/commands.h"
#include "tools/errorText.h"
#include "tools/options.h"
#include "tools/pictureFile.h"
#include "tools/toolText.h"

namespace {

constexpr int kScale = 256;
constexpr int32_t kPcxLargestSide = 65535;  // the window's 16-bit ends

// Hands the pixel store, palette and dimensions of `from` to `to`.
void movePicture(cBitmapFile& from, cBitmapFile& to) {
  to.pixels = from.pixels;
  to.palette = from.palette;
  from.pixels = nullptr;
  from.palette = nullptr;
  to.width = from.width;
  to.height = from.height;
  to.bytesPerPixel = from.bytesPerPixel;
  to.bitsPerPixel = from.bitsPerPixel;
  to.colorCount = from.colorCount;
}

// A BMP holds 1, 4, 8 or 24 bits; a PCX depth in between (2 or 3 bits in
// planes) takes the next one up, whose indexes include all of its own.
std::unique_ptr<cBitmapFile> asBmp(cBitmapFile& from) {
  std::unique_ptr<cBmpImg> to(new (std::nothrow) cBmpImg);
  if (!to) return nullptr;
  movePicture(from, *to);
  const uint16_t bits = to->bitsPerPixel;
  to->bitsPerPixel = bits == 24 ? 24 : bits <= 1 ? 1 : bits <= 4 ? 4 : 8;
  if (bits == 24) to->colorCount = 0;  // a PCX reader counts 16,777,216
  to->bytesPerLine = cBmpEncoder::fileRowBytes(to->bitsPerPixel, to->width);
  return std::unique_ptr<cBitmapFile>(to.release());
}

// 2 colours as 1 bit, 16 as 4 planes of 1 bit, 256 as 8 bits: the forms
// PCX readers everywhere take.
std::unique_ptr<cBitmapFile> asPcx(cBitmapFile& from) {
  std::unique_ptr<cPcxImg> to(new (std::nothrow) cPcxImg);
  if (!to) return nullptr;
  movePicture(from, *to);
  const uint16_t bits = to->bitsPerPixel <= 1 ? 1 : to->bitsPerPixel <= 4 ? 4 : 8;
  pcxHeader& header = to->header;
  header.manufacturer = pcxHeader::zsoftManufacturer;
  header.version = 5;
  header.encoding = 1;
  header.bitsPerPlane = static_cast<uint8_t>(bits == 4 ? 1 : bits);
  header.planeCount = static_cast<uint8_t>(bits == 4 ? 4 : 1);
  header.setWindow(to->width, to->height);
  header.horizontalDpi = header.verticalDpi = 72;
  header.paletteInfo = 1;  // colour
  const int32_t lineBytes = static_cast<int32_t>((int64_t{to->width} * header.bitsPerPlane + 7) / 8);
  header.bytesPerPlaneLine = static_cast<uint16_t>(lineBytes);
  to->bitsPerPixel = bits;
  to->bytesPerLine = lineBytes;
  return std::unique_ptr<cBitmapFile>(to.release());
}

// Why `format` cannot hold the picture, or "" when it can.
std::string cannotHold(const cBitmapFile& image, pictureFormat format) {
  if (format != pictureFormat::pcx) return "";
  if (image.bitsPerPixel > 8)
    return "cannot save a " + std::to_string(image.bitsPerPixel) +
           "-bit picture as PCX: PCX pictures are written with a palette of at most 256 colours (errPalette)";
  if (image.width > kPcxLargestSide || image.height > kPcxLargestSide)
    return "cannot save a picture of " + std::to_string(image.width) + " x " + std::to_string(image.height) +
           " as PCX: its sides hold at most 65535 pixels (errFormat)";
  return "";
}

// A 24-bit PCX picture comes without a palette, which scaling asks of
// every store, and its rows may hold the plane lines' padding, wider than
// the rows scaling takes: an empty palette stands in, and the rows are
// copied into a store of exactly three bytes a pixel. False without memory.
bool readyToScale(cBitmapFile& image) {
  if (!image.palette) {
    image.palette = new (std::nothrow) cPalette(0);
    if (!image.palette) return false;
  }
  cImgStore& store = *image.pixels;
  store.palette = image.palette;
  const int32_t rowBytes = store.width * 3;
  if (store.rowBytes == rowBytes) return true;
  std::unique_ptr<cImgStore> exact(new (std::nothrow) cImgStore(store.rowCount, store.width, 24));
  if (!exact || exact->failed || exact->rowBytes != rowBytes) return false;
  for (int32_t r = 0; r < store.rowCount; ++r) exact->setRow(store.getRow(r), r);
  exact->palette = image.palette;
  delete image.pixels;
  image.pixels = exact.release();
  return true;
}

// Why scaling by `factor` failed, in words: the size rule refuses pictures
// under one pixel and over the readers' limit; otherwise memory ran out.
std::string scaleProblem(const cBitmapFile& image, float factor) {
  char text[160];
  const double wide = static_cast<double>(image.width) * factor, high = static_cast<double>(image.height) * factor;
  std::snprintf(text, sizeof text, "cannot scale %d x %d by %g: ", image.width, image.height, static_cast<double>(factor));
  std::string why = text;
  int32_t newWidth = 0, newHeight = 0;
  if (!(wide >= 1.0) || !(high >= 1.0)) return why + "the picture would have no pixels (scale returned 0)";
  if (!imgScaledSize(image.width, image.height, factor, &newWidth, &newHeight)) {
    std::snprintf(text, sizeof text, "%.0f x %.0f is more than the %lld pixels a picture may have (errMemory)",
                  std::floor(wide), std::floor(high), static_cast<long long>(kImgMaxPixels));
    return why + text;
  }
  return why + "the picture's store cannot be scaled (scale returned 0)";
}

// The save's outcome in words, or "" for success.
std::string saveProblem(const cBitmapFile& image, int32_t result, pictureFormat format) {
  if (result == errNone && image.systemError == 0) return "";
  if (result == errNone) return "cannot create: " + systemErrorText(image.systemError);
  if (result == errWrite && image.systemError == 0)
    return libraryCause(result, "the output cannot seek back to complete the header (a pipe?)");
  if (result == errWrite) {
    const std::string text = systemErrorText(image.systemError);
    return libraryCause(result, text.substr(0, text.find(" (system error")), image.systemError);
  }
  return std::string("cannot save as ") + formatName(format) + ": " + libraryCause(result, "");
}

}  // namespace

int convertCommand(const zolmCommand& self, const commandArgs& args) {
  float factor = 1.0f;
  bool scaling = false;
  std::vector<std::string> operands;
  const int stop = readOptions(self, args, {{"scale", kScale}}, [&](int, const std::string& value) -> std::string {
    if (scaling) return "--scale is given twice";
    char* end = nullptr;
    const float parsed = value.empty() ? 0.0f : std::strtof(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(parsed) || parsed <= 0.0f)
      return "the factor of --scale must be a number above 0, not '" + value + "'";
    factor = parsed;
    scaling = true;
    return "";
  }, operands);
  if (stop >= 0) return stop;
  if (operands.size() != 2) return usageError(self, operands.size() < 2 ? "IN and OUT are needed" : "too many arguments");
  const std::string& output = operands[1];
  const pictureFormat outFormat = formatByExtension(output);
  if (outFormat == pictureFormat::none) return usageError(self, "OUT must end in .bmp, .pcx or .ico");

  pictureInput input;
  if (!input.read(operands[0])) return 1;
  std::unique_ptr<cBitmapFile> image = std::move(input.image);
  const std::string refusal = cannotHold(*image, outFormat);
  if (!refusal.empty()) return reportFailure(output, refusal);
  if (scaling && image->bitsPerPixel == 24 && !readyToScale(*image))
    return reportFailure(input.shownName, libraryCause(errMemory, "no memory for a copy of the picture"));
  if (scaling && !image->scale(factor)) return reportFailure(input.shownName, scaleProblem(*image, factor));
  if (input.format != outFormat) {
    image = outFormat == pictureFormat::bmp ? asBmp(*image) : asPcx(*image);
    if (!image) return reportFailure(output, libraryCause(errMemory, "no memory for the image object"));
  }
  // Only this save's failures may be reported, not a code the read left.
  image->systemError = 0;
  const int32_t result = image->saveFile(toWide(output).c_str());
  const std::string problem = saveProblem(*image, result, outFormat);
  return problem.empty() ? 0 : reportFailure(output, problem);
}
