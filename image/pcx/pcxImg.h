// cPcxImg: the image file object for PCX files (also used for files named
// .ICO). Reading fills the pixel store (row 0 at the top) and the palette:
// black and white for 2 colours, the header's colour map or the standard
// 16-colour table for 16, the 769-byte trailer for 256. The header is kept
// as read for writing the file back.
#pragma once

#include <cstdint>

#include "image/bitmapFile.h"
#include "image/pcx/pcxHeader.h"

class cPcxEncoder;

// Told while the rows are read how many of them, from the top, are final in
// the pixel store, so that another thread may use those rows at once. The
// first call (0 rows) comes once the store exists and, for pictures of at
// most 16 colours, the palette too; the last says all rows.
class cPcxRowProgress {
 public:
  virtual void rowsFinal(const cBitmapFile& image, int32_t count) = 0;

 protected:
  ~cPcxRowProgress() = default;
};

class cPcxImg : public cBitmapFile {
 public:
  cPcxImg() = default;
  ~cPcxImg() override = default;

  int32_t loadFile(LPCWSTR fileName) override;
  int32_t saveFile(LPCWSTR fileName) override;
  // Scales the picture, then sets the header's window to its new size.
  int32_t scale(float factor) override;

  // The steps of loadFile; each returns errorCode.
  int32_t readHeader();
  int32_t readPixels();
  int32_t readPalette();

  // The steps of saveFile; each returns errorCode.
  int32_t writeHeader();
  int32_t writePixels();
  int32_t writePalette();

  // The header as read; the writer and the scaling bring it up to date.
  pcxHeader header;
  // Told of the rows as readPixels stores them; not owned, may be null.
  cPcxRowProgress* rowProgress = nullptr;

 private:
  // writePixels with an encoder made (and its buffer obtained) beforehand.
  int32_t writeRows(cPcxEncoder& encoder);
};

// The standard 16-colour table, red, green, blue per entry, used for
// 16-colour pictures of version 3.
extern const uint8_t pcxStandardColors[16][3];
