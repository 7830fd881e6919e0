// zolmcom convert IN OUT [--scale F]: reads IN with the image library (the
// reader chosen by the name's extension as topnm chooses it), scales the
// picture by F when asked, and saves it as OUT in IN's format; OUT's
// extension must name the same format. Exit 0 on success, 1 with one line
// on stderr naming the file and the error code, 2 for a usage error.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "image/bmp/bmpImg.h"
#include "image/pcx/pcxImg.h"
#include "tools/commands.h"
#include "tools/toolText.h"

namespace {

enum class Format { none, bmp, pcx };

Format formatOf(const std::string& path) {
  const std::string extension = upperExtension(path);
  if (extension == "PCX" || extension == "ICO") return Format::pcx;
  if (extension == "BMP") return Format::bmp;
  return Format::none;
}

int usage(const char* why) {
  std::fprintf(stderr, "zolmcom convert: %s\nusage: zolmcom convert IN OUT [--scale F]\n", why);
  return 2;
}

// A factor written as a plain number, finite and above 0.
bool parseFactor(const std::string& text, float& factor) {
  if (text.empty()) return false;
  char* end = nullptr;
  const float value = std::strtof(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(value) || value <= 0.0f) return false;
  factor = value;
  return true;
}

// A 24-bit PCX picture is read whole although its reader reports the
// missing palette; saving it then refuses with that code.
bool readWell(const cBitmapFile& image) {
  if (!image.pixels) return false;
  if (image.errorCode == errNone) return true;
  return image.errorCode == errPalette && image.bitsPerPixel == 24;
}

}  // namespace

int convertCommand(const commandArgs& args) {
  std::string input, output;
  float factor = 1.0f;
  bool scaling = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--scale") {
      if (scaling || i + 1 >= args.size()) return usage("--scale needs one factor");
      if (!parseFactor(args[++i], factor)) return usage("the factor must be a number above 0");
      scaling = true;
    } else if (input.empty()) {
      input = args[i];
    } else if (output.empty()) {
      output = args[i];
    } else {
      return usage("too many arguments");
    }
  }
  if (input.empty() || output.empty()) return usage("IN and OUT are needed");
  const Format format = formatOf(input);
  if (format == Format::none) return usage("IN must be a .bmp, .pcx or .ico file");
  if (formatOf(output) != format) return usage("OUT must name the format of IN");

  std::unique_ptr<cBitmapFile> image(format == Format::pcx ? static_cast<cBitmapFile*>(new (std::nothrow) cPcxImg)
                                                           : static_cast<cBitmapFile*>(new (std::nothrow) cBmpImg));
  if (!image) {
    std::fprintf(stderr, "zolmcom: %s: out of memory (error %d)\n", input.c_str(), errMemory);
    return 1;
  }
  const wideString inName = toWide(input);
  const int32_t readResult = image->loadFile(inName.c_str());
  if (!readWell(*image)) {
    std::fprintf(stderr, "zolmcom: %s: read failed (error %d, system error %u)\n", input.c_str(), readResult,
                 image->getSystemError());
    return 1;
  }
  if (scaling && !image->scale(factor)) {
    std::fprintf(stderr, "zolmcom: %s: cannot scale %d x %d by %g (error %d)\n", input.c_str(), image->width,
                 image->height, static_cast<double>(factor), image->errorCode);
    return 1;
  }
  const wideString outName = toWide(output);
  const int32_t writeResult = image->saveFile(outName.c_str());
  if (writeResult != errNone) {
    std::fprintf(stderr, "zolmcom: %s: write failed (error %d, system error %u)\n", output.c_str(), writeResult,
                 image->getSystemError());
    return 1;
  }
  // A file that cannot be created leaves the library's code at 0; the save
  // clears the platform's code once its file is open, so a code left here
  // is the failed open's.
  if (image->getSystemError() != 0) {
    std::fprintf(stderr, "zolmcom: %s: cannot create the file (error %d, system error %u)\n", output.c_str(),
                 writeResult, image->getSystemError());
    return 1;
  }
  return 0;
}
