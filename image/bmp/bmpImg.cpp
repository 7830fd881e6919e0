// cBmpImg reading: the file header, the core or info header and the palette
// after it, then the pixel rows through cBmpDecoder, bottom row first unless
// the picture is stored top-down. Header values that would make the reader
// read past its buffers or allocate without bound are refused first.
#include "image/bmp/bmpImg.h"

#include <cstring>
#include <new>

#include "image/bmp/bmpDecoder.h"
#include "image/imgStore.h"
#include "image/palette.h"

namespace {

constexpr uint16_t kSignature = 0x4D42;  // "BM"
constexpr uint32_t kCoreHeaderSize = 12;

// Headers that begin with the 40 bytes of the info header and are followed
// by a palette of 4-byte entries.
bool isInfoHeaderSize(uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The largest palette read without first checking that the file holds it.
constexpr uint32_t kPaletteEntriesReadUnchecked = 256;

}  // namespace

int32_t cBmpImg::loadFile(LPCWSTR fileName) {
  if (!openForRead(fileName)) return errorCode;
  if (readHeader() == errNone) readPixels();
  closeFile();
  return errorCode;
}

int32_t cBmpImg::readHeader() {
  uint8_t bytes[bmpFileHeader::size];
  if (!readBytes(bytes, bmpFileHeader::size)) return errorCode = errRead;
  fileHeader.load(bytes);
  if (fileHeader.bfType != kSignature) return errorCode = errFormat;

  // The header's first four bytes give its size; the header is then read
  // whole from where it starts.
  uint32_t headerStart = tell();
  if (!readBytes(bytes, 4)) return errorCode = errRead;
  seekTo(static_cast<int32_t>(headerStart), seekFromBegin);
  uint32_t headerSize = imgGet32(bytes);
  if (headerSize == kCoreHeaderSize) return readCoreHeader();
  if (isInfoHeaderSize(headerSize)) return readInfoHeader(headerSize);
  return errorCode = errFormat;
}

int32_t cBmpImg::readCoreHeader() {
  uint8_t bytes[bmpCoreHeader::size];
  if (!readBytes(bytes, bmpCoreHeader::size)) return errorCode = errRead;
  coreHeader.load(bytes);
  channels = bmpChannels();
  const uint16_t bits = coreHeader.bcBitCount;
  bitsPerPixel = bits;
  fileBitsPerPixel = bits;
  // Palette pictures have 2^bits colours; 16-bit pictures, like 24- and
  // 32-bit ones, keep their colours in the pixels.
  colorCount = (bits < 24 && bits != 16) ? (1u << bits) : 0;
  bytesPerPixel = bits == 24 ? 3 : 1;
  width = static_cast<int16_t>(coreHeader.bcWidth);
  height = static_cast<int16_t>(coreHeader.bcHeight);
  compression = kBmpUncompressed;
  if (colorCount > 0 && readPaletteEntries(colorCount, 3) != errNone) return errorCode;
  if (bits == 24) {
    // An empty palette, as after an info header: the picture is whole and
    // can be scaled and written like any other 24-bit picture.
    delete palette;
    palette = new (std::nothrow) cPalette(0);
    if (!palette) return errorCode = errMemory;
  }
  return checkDimensions();
}

int32_t cBmpImg::readInfoHeader(uint32_t headerSize) {
  uint8_t bytes[bmpInfoHeader::size];
  if (!readBytes(bytes, bmpInfoHeader::size)) return errorCode = errRead;
  infoHeader.load(bytes);
  if (readChannelMasks(headerSize) != errNone) return errorCode;

  const uint16_t bits = infoHeader.biBitCount;
  bitsPerPixel = bits;
  fileBitsPerPixel = bits;
  switch (bits) {
    case 4: colorCount = 16; break;
    case 8: colorCount = 256; break;
    case 16:
    case 24:
    case 32: colorCount = 0; break;
    default: colorCount = 2; break;
  }
  bytesPerPixel = bits == 24 ? 3 : 1;
  if (channels.mask[0] != 0) {
    // Decoded into the 24-bit store.
    bitsPerPixel = 24;
    bytesPerPixel = 3;
  }
  width = infoHeader.biWidth;
  height = infoHeader.biHeight;
  compression = infoHeader.biCompression;

  if (colorCount == 0) {
    delete palette;
    palette = new (std::nothrow) cPalette(0);
    if (!palette) return errorCode = errMemory;
    return checkDimensions();
  }
  // A file may store fewer colours than its depth allows (biClrUsed); only
  // those are read, the rest stay black.
  uint32_t entries = colorCount;
  if (infoHeader.biClrUsed >= 1 && infoHeader.biClrUsed < colorCount) entries = infoHeader.biClrUsed;
  if (readPaletteEntries(entries, 4) != errNone) return errorCode;
  return checkDimensions();
}

// Reads the rest of an info header, and the channel masks of 16- and 32-bit
// pictures: inside headers of 52 bytes and more, after a 40-byte header for
// BI_BITFIELDS, fixed for uncompressed pixels. Masks no picture can be read
// through are errFormat. Leaves the position where the palette would start.
int32_t cBmpImg::readChannelMasks(uint32_t headerSize) {
  const uint32_t bits = infoHeader.biBitCount;
  const uint32_t kind = infoHeader.biCompression;
  channels = bmpChannels();
  const bool masked = (bits == 16 || bits == 32) && (kind == kBmpUncompressed || kind == kBmpBitfields);
  uint32_t rest = headerSize - bmpInfoHeader::size;
  if (masked && kind == kBmpBitfields) {
    uint8_t bytes[12];
    if (!readBytes(bytes, 12)) return errorCode = errRead;
    rest = rest >= 12 ? rest - 12 : 0;
    const uint32_t masks[3] = {imgGet32(bytes), imgGet32(bytes + 4), imgGet32(bytes + 8)};
    if (!channels.set(masks, bits)) return errorCode = errFormat;
  } else if (masked) {
    channels.setUncompressed(bits);
  }
  // The palette follows the whole header, also the longer ones.
  if (rest > 0 && !skipBytes(static_cast<int32_t>(rest))) return errorCode = errRead;
  return errorCode;
}

// Replaces the palette by one of colorCount black entries and reads the first
// `entries` of them, blue, green, red (and one ignored byte when entryBytes
// is 4). The first entry that cannot be read ends the read with errRead.
int32_t cBmpImg::readPaletteEntries(uint32_t entries, int32_t entryBytes) {
  // A large palette must fit in the file before memory is spent on it.
  if (colorCount > kPaletteEntriesReadUnchecked &&
      static_cast<uint64_t>(entries) * static_cast<uint64_t>(entryBytes) >
          static_cast<uint64_t>(fileLength()) - tell())
    return errorCode = errRead;
  delete palette;
  palette = new (std::nothrow) cPalette(colorCount);
  if (!palette || !palette->entries) return errorCode = errMemory;
  for (uint32_t i = 0; i < entries; ++i) {
    uint8_t entry[4];
    if (!readBytes(entry, entryBytes)) return errorCode = errRead;
    uint8_t* rgb = palette->entries + static_cast<size_t>(i) * 3;
    rgb[0] = entry[2];
    rgb[1] = entry[1];
    rgb[2] = entry[0];
  }
  return errorCode;
}

// Refuses what no picture can be: a negative width, run-length data stored
// top-down. A negative height is a top-down picture of that many rows.
int32_t cBmpImg::checkDimensions() {
  topDown = false;
  if (width < 0) return errorCode = errFormat;
  if (height < 0) {
    if (compression == kBmpRle8 || compression == kBmpRle4) return errorCode = errFormat;
    // -2^31 has no positive counterpart; it is far beyond any picture.
    if (height == INT32_MIN) return errorCode = errMemory;
    height = -height;
    topDown = true;
  }
  int64_t rowBytes = imgPaddedRowBytes(width, 8 * static_cast<int64_t>(bytesPerPixel), 4);
  bytesPerLine = rowBytes < 0 ? 0 : static_cast<int32_t>(rowBytes);
  if (rowBytes < 0) return errorCode = errMemory;
  return errorCode;
}

int32_t cBmpImg::readPixels() {
  if (!imgStoreAllowed(width, height, bytesPerPixel, fileLength())) return errorCode = errMemory;

  // Uncompressed 8- and 24-bit rows overwrite every byte of a row, so they
  // are decoded straight into the store; the others keep pixels from the
  // row before where the data does not reach, so they need a row buffer.
  const bool direct = compression == kBmpUncompressed && (fileBitsPerPixel == 8 || fileBitsPerPixel == 24);
  uint8_t* rowBuffer = nullptr;
  if (!direct) {
    rowBuffer = new (std::nothrow) uint8_t[bytesPerLine > 0 ? bytesPerLine : 1];
    if (!rowBuffer) return errorCode = errMemory;
    std::memset(rowBuffer, 0, static_cast<size_t>(bytesPerLine));
  }

  // An offset that cannot be reached leaves every row black rather than
  // taking the bytes at the current position for pixels.
  const bool positioned =
      fileHeader.bfOffBits <= INT32_MAX &&
      seekTo(static_cast<int32_t>(fileHeader.bfOffBits), seekFromBegin);
  cBmpDecoder decoder(this, compression, fileBitsPerPixel, bytesPerLine);
  if (channels.mask[0] != 0) decoder.setChannels(&channels);
  decoder.begin();

  delete pixels;
  pixels = new (std::nothrow) cImgStore(height, width, 8 * bytesPerPixel);
  if (!pixels || pixels->failed) {
    errorCode = errMemory;
  } else {
    if (palette) pixels->palette = palette;
    if (positioned) decodeRows(decoder, rowBuffer, direct);
  }
  decoder.finish();
  delete[] rowBuffer;
  return errorCode;
}

// Rows run bottom-up in the file unless the picture is top-down. A row is
// stored when it was decoded whole, also when the status turns non-zero
// right after it (the data ends with the file, or an end-of-bitmap escape
// ends it); a row cut short by the end of the file is not stored and stays
// black. The first non-zero status ends the loop.
void cBmpImg::decodeRows(cBmpDecoder& decoder, uint8_t* rowBuffer, bool direct) {
  const int32_t rowBytes = pixels->rowBytes;
  decoder.setRowCapacity(direct ? rowBytes : bytesPerLine);
  for (int32_t i = 0; i < height; ++i) {
    const int32_t r = topDown ? i : height - 1 - i;
    uint8_t* target = direct ? pixels->getRow(r) : rowBuffer;
    const int32_t status = decoder.decodeLine(target, width);
    const bool keep = status == 0 || decoder.lastRowComplete();
    if (keep && !direct) pixels->setRow(rowBuffer, r);
    if (!keep && direct) std::memset(target, 0, static_cast<size_t>(rowBytes));
    if (status != 0) break;
  }
}
