// cBmpImg: the image file object for Windows bitmap files. Reading fills the
// pixel store (row 0 at the top) and the palette from a BMP file with a core
// (12-byte) or info (40-byte, or the longer 52-, 56-, 108- and 124-byte)
// header; the header records read are kept for writing the file back.
#pragma once

#include <cstdint>

#include "image/bitmapFile.h"
#include "image/bmp/bmpChannels.h"
#include "image/bmp/bmpHeaders.h"

class cBmpDecoder;

class cBmpImg : public cBitmapFile {
 public:
  cBmpImg() = default;
  ~cBmpImg() override = default;

  int32_t loadFile(LPCWSTR fileName) override;
  int32_t saveFile(LPCWSTR fileName) override;
  // Scales the picture, then sets biWidth and biHeight to its new size.
  int32_t scale(float factor) override;

  // The steps of loadFile; each returns errorCode.
  int32_t readHeader();
  int32_t readPixels();

  bmpInfoHeader infoHeader;
  bmpCoreHeader coreHeader;
  bmpFileHeader fileHeader;
  uint32_t compression = 0;
  // Bits of one pixel in the file. 16- and 32-bit pixels are decoded into
  // 24-bit ones, so bitsPerPixel then says 24.
  uint32_t fileBitsPerPixel = 0;
  // Where 16- and 32-bit pixels keep red, green and blue.
  bmpChannels channels;
  // Rows stored from the top down in the file (a negative height in the
  // info header); height then holds the number of rows.
  bool topDown = false;

 private:
  int32_t readCoreHeader();
  int32_t readInfoHeader(uint32_t headerSize);
  int32_t readPaletteEntries(uint32_t entries, int32_t entryBytes);
  int32_t readChannelMasks(uint32_t headerSize);
  int32_t checkDimensions();
  void decodeRows(cBmpDecoder& decoder, uint8_t* rowBuffer, bool direct);
};
