// cBmpImg::saveFile: writes the picture as an uncompressed BMP file with a
// 40-byte info header: file header, info header, palette, then the rows from
// the bottom of the picture up. The file header goes out twice, first as a
// placeholder and then with the file's length and the offset of its pixels.
// Pictures that cannot be written whole are refused before the file is
// created, so a good file of the same name is never replaced by a broken one.
#include "image/bmp/bmpImg.h"

#include <cstring>

#include "image/bmp/bmpEncoder.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/writeCheck.h"

namespace {

constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"

// Palette entries the file carries: the picture's colours above 2; black
// and white for 1 or 2 colours, whatever the palette holds; none for 0.
uint32_t entriesWritten(uint32_t colorCount) {
  if (colorCount > 2) return colorCount;
  return colorCount > 0 ? 2 : 0;
}

// errNone, or the code that refuses the picture before the file is touched.
int32_t refusal(const cBmpImg& image) {
  // A picture whose read failed is not whole; its code stands.
  if (image.errorCode != errNone) return image.errorCode;
  const int32_t bits = image.bitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return errFormat;
  if (image.bytesPerPixel != (bits == 24 ? 3 : 1)) return errFormat;
  // A palette larger than the depth can address is no BMP palette.
  if (bits < 24 && image.colorCount > (1u << bits) && image.colorCount > 2) return errPalette;
  if (bits == 24 && image.colorCount > 256) return errPalette;
  const int32_t store = imgCheckStore(image);
  if (store != errNone) return store;
  if (cBmpEncoder::fileRowBytes(bits, image.width) < 0) return errFormat;
  return imgCheckPalette(image, image.colorCount > 2 ? image.colorCount : 0);
}

}  // namespace

int32_t cBmpImg::saveFile(LPCWSTR fileName) {
  const int32_t refused = refusal(*this);
  if (refused != errNone) return errorCode = refused;

  cBmpEncoder encoder(this, bitsPerPixel);
  if (!openForWrite(fileName)) return errorCode;
  // Only failures of this save may stop it, not a code left by an earlier
  // operation of the object (a short read, a failed open).
  systemError = 0;

  const uint32_t entries = entriesWritten(colorCount);
  fileHeader.bfType = kBmpSignature;
  infoHeader.biSize = bmpInfoHeader::size;
  infoHeader.biWidth = width;
  infoHeader.biHeight = height;  // positive: the rows go out bottom-up
  infoHeader.biPlanes = 1;
  infoHeader.biBitCount = bitsPerPixel;
  infoHeader.biCompression = kBmpUncompressed;
  infoHeader.biSizeImage = static_cast<uint32_t>(bytesPerLine) * static_cast<uint32_t>(height);
  // Counts kept from the read must not promise colours the file lacks.
  if (infoHeader.biClrUsed > entries) infoHeader.biClrUsed = 0;
  if (infoHeader.biClrImportant > entries) infoHeader.biClrImportant = 0;

  // File header, info header and palette (blue, green, red, 0 per entry).
  uint8_t head[bmpFileHeader::size + bmpInfoHeader::size + 4 * 256];
  fileHeader.store(head);
  infoHeader.store(head + bmpFileHeader::size);
  uint8_t* entry = head + bmpFileHeader::size + bmpInfoHeader::size;
  for (uint32_t i = 0; i < entries; ++i, entry += 4) {
    uint8_t rgb[3] = {0, 0, 0};
    if (colorCount > 2) {
      palette->getEntry(static_cast<int32_t>(i), rgb);
    } else if (i == 1) {
      rgb[0] = rgb[1] = rgb[2] = 255;
    }
    entry[0] = rgb[2];
    entry[1] = rgb[1];
    entry[2] = rgb[0];
    entry[3] = 0;
  }
  const int32_t headBytes = bmpFileHeader::size + bmpInfoHeader::size + 4 * static_cast<int32_t>(entries);
  // The flush makes a failure of these writes known here, not rows later.
  if (!writeBytes(head, headBytes) || !flush()) {
    errorCode = errWrite;
    closeFile();
    return errorCode;
  }

  const uint32_t pixelStart = tell();
  for (int32_t r = height - 1; r >= 0; --r) {
    encoder.encodeLine(pixels->getRow(r), width);
    if (encoder.getStatus() != 0) break;
  }
  const uint32_t fileEnd = tell();  // writes out the last rows
  // Rows that did not reach the file make the save a failure, although the
  // header is still completed below.
  const bool rowsLost = getSystemError() != 0;

  fileHeader.bfSize = fileEnd;
  fileHeader.bfOffBits = pixelStart;
  // A target that cannot seek back (a pipe) cannot take the completed
  // header: the save fails rather than append a second one.
  fileHeader.store(head);
  if (rowsLost || !seekTo(0, seekFromBegin) || !writeBytes(head, bmpFileHeader::size) || !flush())
    errorCode = errWrite;
  closeFile();
  return errorCode;
}
