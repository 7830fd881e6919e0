// cPcxImg reading: the 128-byte header and its checks, the rows through
// cPcxDecoder straight into the pixel store, then the palette. Windows whose
// width or height comes out negative are refused, and so is a picture whose
// store would be out of proportion to the file.
#include "image/pcx/pcxImg.h"

#include <cstring>
#include <new>

#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxDecoder.h"

const uint8_t pcxStandardColors[16][3] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

namespace {

constexpr uint8_t kTrailerMarker = 0x0C;
constexpr int32_t kTrailerBytes = 769;  // marker + 256 red, green, blue triples

}  // namespace

int32_t cPcxImg::loadFile(LPCWSTR fileName) {
  if (!openForRead(fileName)) return errorCode;
  // A palette of at most 16 colours comes from the header alone: it is
  // there before the rows, for whoever takes them while they are read.
  const auto fromHeader = [this] { return colorCount <= 16; };
  if (readHeader() == errNone && (!fromHeader() || readPalette() == errNone) && readPixels() == errNone &&
      (fromHeader() || readPalette() == errNone))
    pixels->palette = palette;
  closeFile();
  return errorCode;
}

int32_t cPcxImg::readHeader() {
  uint8_t bytes[pcxHeader::size];
  if (!readBytes(bytes, pcxHeader::size)) return errorCode = errRead;
  header.load(bytes);
  if (!header.isKnownKind()) return errorCode = errFormat;

  const uint32_t bits = header.pixelBits();
  bitsPerPixel = static_cast<uint16_t>(bits);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return errorCode = errFormat;

  // The window is inclusive; a window whose end lies before its start by
  // more than one is not a picture.
  width = header.windowWidth();
  height = header.windowHeight();
  if (width < 0 || height < 0) return errorCode = errFormat;
  bytesPerPixel = bits == 24 ? 3 : 1;
  bytesPerLine = bytesPerPixel * width;
  colorCount = 1u << bits;
  return errorCode;
}

// Every row is decoded straight into the pixel store. A row is stored when
// all its bytes were read, also when the file ends right after it; a row cut
// short by the end of the file stays black. The first non-zero status ends
// the loop.
int32_t cPcxImg::readPixels() {
  if (!imgStoreAllowed(width, height, bytesPerPixel, fileLength())) return errorCode = errMemory;
  cPcxDecoder decoder(this, header);
  decoder.begin();
  delete pixels;
  pixels = new (std::nothrow) cImgStore(height, width, 8 * bytesPerPixel);
  if (!pixels || pixels->failed || !decoder.reserveLines()) {
    decoder.finish();
    return errorCode = errMemory;
  }
  const int32_t rowBytes = pixels->rowBytes;
  decoder.setRowCapacity(rowBytes);
  if (rowProgress) rowProgress->rowsFinal(*this, 0);
  for (int32_t r = 0; r < height; ++r) {
    uint8_t* row = pixels->getRow(r);
    const int32_t status = decoder.decodeLine(row, width);
    if (status != 0 && !decoder.lastRowComplete()) std::memset(row, 0, static_cast<size_t>(rowBytes));
    if (status != 0) break;
    if (rowProgress) rowProgress->rowsFinal(*this, r + 1);
  }
  // Rows the data did not reach stay black: they are final as well.
  if (rowProgress) rowProgress->rowsFinal(*this, height);
  decoder.finish();
  return errorCode;
}

int32_t cPcxImg::readPalette() {
  delete palette;
  palette = nullptr;
  if (colorCount > 256) {
    // 24-bit pictures carry no palette; an empty one stands in rather than
    // 16,777,216 black entries.
    palette = new (std::nothrow) cPalette(0);
    return errorCode = errPalette;
  }
  palette = new (std::nothrow) cPalette(colorCount);
  if (!palette || !palette->entries) return errorCode = errMemory;
  uint8_t* rgb = palette->entries;

  if (colorCount == 2) {
    std::memset(rgb + 3, 255, 3);  // entry 0 black, entry 1 white
    return errorCode;
  }
  if (colorCount == 16) {
    if (header.version == 3)
      std::memcpy(rgb, pcxStandardColors, sizeof pcxStandardColors);
    else
      std::memcpy(rgb, header.colorMap, sizeof header.colorMap);
    return errorCode;
  }
  // 256 colours: the trailer is exactly the last 769 bytes of the file.
  if (!seekTo(-kTrailerBytes, seekFromEnd)) return errorCode = errPalette;
  uint8_t marker;
  if (!readBytes(&marker, 1)) return errorCode = errPaletteRead;
  if (marker != kTrailerMarker) return errorCode = errPalette;
  if (!readBytes(rgb, 768)) return errorCode = errPaletteRead;
  return errorCode;
}
