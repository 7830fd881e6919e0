// cPcxImg::saveFile: writes the picture back as a PCX file: the header as
// read (256-colour pictures become 8 bits in 1 plane; 2- and 16-colour ones
// get their palette in the colour map), the run-length coded rows, and for
// 8-bit planes the 0x0C trailer with 256 colours. Pictures that cannot be
// written whole are refused before the file is created, so a good file of
// the same name is never replaced by a broken one.
#include "image/pcx/pcxImg.h"

#include <cstring>

#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxEncoder.h"
#include "image/writeCheck.h"

namespace {

// Header fields by offset (little-endian words).
constexpr int kManufacturer = 0, kVersion = 1, kEncoding = 2, kBitsPerPlane = 3;
constexpr int kXMin = 4, kYMin = 6, kXMax = 8, kYMax = 10, kColorMap = 16;
constexpr int kPlaneCount = 65, kBytesPerPlaneLine = 66;
constexpr uint8_t kTrailerMarker = 0x0C;
// Plane line padding kept from the header: writers pad lines to an even or
// a 4-byte count. More is dropped: a header may claim 65,535-byte lines for
// a picture a few pixels wide, and writing those back would make a file
// thousands of times the size of its picture, and take seconds.
constexpr int64_t kMaxKeptLinePadding = 3;

uint16_t word(const uint8_t* header, int at) {
  return static_cast<uint16_t>(header[at] | (header[at + 1] << 8));
}
void setWord(uint8_t* header, int at, uint32_t value) {
  header[at] = static_cast<uint8_t>(value);
  header[at + 1] = static_cast<uint8_t>(value >> 8);
}

// errNone, or the code that refuses the picture before the file is touched.
int32_t refusal(const cPcxImg& image) {
  // A picture whose read failed is not whole (a 24-bit picture carries
  // errPalette); its code stands.
  if (image.errorCode != errNone) return image.errorCode;
  const int32_t store = imgCheckStore(image);
  if (store != errNone) return store;
  const uint8_t* header = image.header;
  const uint8_t version = header[kVersion];
  if (header[kManufacturer] != 10 || header[kEncoding] == 0 ||
      (version != 0 && version != 2 && version != 3 && version != 5))
    return errFormat;
  const int32_t bits = header[kBitsPerPlane] ? header[kBitsPerPlane] : 1;
  const int32_t planes = header[kPlaneCount] ? header[kPlaneCount] : 1;
  if (bits * planes != image.bitsPerPixel) return errFormat;
  // Planes of 3 or 6 bits (24-bit pictures of 8 or 4 planes): the reader
  // takes their pixels from the low bits of each byte, the writer packs
  // them from the top, so the file would not read back as the picture.
  if (bits < 8 && 8 % bits != 0) return errFormat;
  if (image.bytesPerPixel != (image.bitsPerPixel == 24 ? 3 : 1)) return errFormat;
  // The window must describe the picture as the reader will measure it.
  const int32_t windowWidth = word(header, kXMax) - word(header, kXMin) + 1;
  const int32_t windowHeight = word(header, kYMax) - word(header, kYMin) + 1;
  if (windowWidth != image.width || windowHeight != image.height) return errFormat;
  return imgCheckPalette(image, image.colorCount <= 256 ? image.colorCount : 0);
}

}  // namespace

int32_t cPcxImg::saveFile(LPCWSTR fileName) {
  if (colorCount == 256) {
    // Whatever planes it was read from, a 256-colour picture is written as
    // 8 bits in 1 plane, one byte per pixel.
    header[kPlaneCount] = 1;
    header[kBitsPerPlane] = 8;
    setWord(header, kBytesPerPlaneLine, static_cast<uint16_t>(bytesPerLine));
  }
  const int32_t refused = refusal(*this);
  if (refused != errNone) return errorCode = refused;

  // A row must fit its plane lines: a picture widened by scaling gets the
  // bytes per plane line it needs, so that the file decodes to the same
  // picture. Rows that fit keep the header's value, padding included, unless
  // the padding is out of proportion (see kMaxKeptLinePadding). The line is
  // not rounded up to an even count: some decoders take a padded bit-plane
  // line for pixels.
  const int32_t bits = header[kBitsPerPlane] ? header[kBitsPerPlane] : 1;
  const int64_t needed = (int64_t{width} * bits + 7) / 8;
  const int64_t given = word(header, kBytesPerPlaneLine);
  if (needed > given || given - needed > kMaxKeptLinePadding) {
    if (needed > 0xFFFF) return errorCode = errFormat;
    setWord(header, kBytesPerPlaneLine, static_cast<uint32_t>(needed));
  }

  // The encoder and its line buffer are obtained before the file is touched.
  cPcxEncoder encoder(this, header);
  if (!encoder.lineBuffer) return errorCode = errMemory;

  if (!openForWrite(fileName)) return errorCode;
  // Only failures of this save may stop it, not a code left by an earlier
  // operation of the object (a short read, a failed open).
  systemError = 0;
  if (writeHeader() == errNone && writeRows(encoder) == errNone) writePalette();
  closeFile();
  return errorCode;
}

int32_t cPcxImg::writeHeader() {
  if (!seekTo(0, seekFromBegin)) return errorCode = errRead;
  if (colorCount <= 16 && palette && palette->entries) {
    const int32_t entries = palette->count < 16 ? palette->count : 16;
    std::memcpy(header + kColorMap, palette->entries, 3 * static_cast<size_t>(entries));
  }
  // The flush makes a failure known here rather than rows later.
  if (!writeBytes(header, headerSize) || !flush()) errorCode = errWrite;
  return errorCode;
}

int32_t cPcxImg::writePixels() {
  cPcxEncoder encoder(this, header);
  return writeRows(encoder);
}

int32_t cPcxImg::writeRows(cPcxEncoder& encoder) {
  if (encoder.getStatus() != 0) return errorCode = errFormat;
  encoder.begin();
  for (int32_t r = 0; r < height; ++r) encoder.encodeLine(pixels->getRow(r), width);
  encoder.finish();
  // Rows that did not reach the file make the save a failure.
  if (!flush() || getSystemError() != 0) errorCode = errWrite;
  return errorCode;
}

int32_t cPcxImg::writePalette() {
  // The header already went out: this file keeps the version the object
  // held, a later save of the object writes 5.
  header[kVersion] = 5;
  if (header[kBitsPerPlane] != 8 || !palette) return errorCode;
  uint8_t block[768] = {};
  if (palette->entries && palette->count > 0) {
    const int32_t entries = palette->count < 256 ? palette->count : 256;
    std::memcpy(block, palette->entries, 3 * static_cast<size_t>(entries));
  }
  if (writeByte(kTrailerMarker) == -1) errorCode = errWrite;
  if (!writeBytes(block, sizeof block)) errorCode = errWrite;
  if (!flush()) errorCode = errWrite;
  return errorCode;
}
