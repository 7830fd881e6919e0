// Pictures the command reads and writes: the format of a file by its first
// bytes ("BM" for BMP, 0x0A for PCX), else by its name's extension; the
// read of FILE or of standard input ("-"), with any failure reported in
// words; and the format OUT's extension asks for.
#pragma once

#include <memory>
#include <string>

#include "image/bitmapFile.h"
#include "image/pcx/pcxImg.h"
#include "tools/standardInput.h"

enum class pictureFormat { none, bmp, pcx };

// The format the name's extension gives: .bmp BMP, .pcx and .ico PCX, case
// ignored; none otherwise.
pictureFormat formatByExtension(const std::string& path);
const char* formatName(pictureFormat format);  // "BMP", "PCX"
// An empty image object of the format.
std::unique_ptr<cBitmapFile> newImage(pictureFormat format);

// One picture read for a subcommand.
class pictureInput {
 public:
  // Reads `path` ("-": standard input). False after a failure, which has
  // been reported on stderr. A 24-bit PCX picture counts as read: its
  // pixels are whole although the reader reports that it has no palette.
  // A PCX picture's rows are reported to `progress` as they are read.
  bool read(const std::string& path, cPcxRowProgress* progress = nullptr);

  std::unique_ptr<cBitmapFile> image;
  pictureFormat format = pictureFormat::none;
  std::string shownName;  // the name messages use ("standard input" for "-")

 private:
  std::string explainReadFailure() const;

  standardInputFile spooled;
  bool bmpSignature = false;  // the file begins with "BM"
  bool pcxByte = false;       // the file begins with 0x0A
};
