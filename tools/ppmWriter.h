// Writes a decoded picture as a binary PPM ("P6", maxval 255), rows from the
// top: 24-bit stores as they are, palette stores through their palette.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "image/pcx/pcxImg.h"

class cBitmapFile;

// Writes to the file `path` (UTF-8), or to standard output for "-". 0 on
// success, else the platform's code of the failure; a file that was there
// is then unchanged. The picture's store must hold 8 or 24 bits per pixel.
uint32_t writePpm(const std::string& path, const cBitmapFile& image);

// writePpm to the file `path` while a PCX picture is read: given to the
// reader as its progress, it takes a picture whose palette the header gives
// and writes each band of rows as soon as they are decoded, into the
// temporary file of a save (on Linux; elsewhere it takes nothing).
class livePpmWriter final : public cPcxRowProgress {
 public:
  explicit livePpmWriter(const std::string& path);
  ~livePpmWriter();
  livePpmWriter(const livePpmWriter&) = delete;
  livePpmWriter& operator=(const livePpmWriter&) = delete;

  void rowsFinal(const cBitmapFile& image, int32_t count) override;
  // Whether it took the picture; if not, writePpm writes it once read.
  bool took() const;
  // Once the read is over: waits for the rest of the bytes, then puts the
  // file in place when `keep` (the read succeeded), else removes it; as
  // writePpm, 0 or the platform's code of the failure.
  uint32_t finish(bool keep);

 private:
  struct State;
  std::unique_ptr<State> state;
};
