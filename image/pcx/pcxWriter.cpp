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

constexpr uint8_t kTrailerMarker = 0x0C;
// Plane line padding kept from the header: writers pad lines to an even or
// a 4-byte count. More is dropped: a header may claim 65,535-byte lines for
// a picture a few pixels wide, and writing those back would make a file
// thousands of times the size of its picture, and take seconds.
constexpr int64_t kMaxKeptLinePadding = 3;

// errNone, or the code that refuses the picture before the file is touched.
int32_t refusal(const cPcxImg& image) {
  // A picture whose read failed is not whole (a 24-bit picture carries
  // errPalette); its code stands.
  if (image.errorCode != errNone) return image.errorCode;
  const int32_t store = imgCheckStore(image);
  if (store != errNone) return store;
  const pcxHeader& header = image.header;
  if (!header.isKnownKind()) return errFormat;
  if (header.pixelBits() != image.bitsPerPixel) return errFormat;
  const uint32_t bits = header.planeBits();
  // Planes of 3 or 6 bits (24-bit pictures of 8 or 4 planes): the reader
  // takes their pixels from the low bits of each byte, the writer packs
  // them from the top, so the file would not read back as the picture.
  if (bits < 8 && 8 % bits != 0) return errFormat;
  if (image.bytesPerPixel != (image.bitsPerPixel == 24 ? 3 : 1)) return errFormat;
  // The window must describe the picture as the reader will measure it.
  if (header.windowWidth() != image.width || header.windowHeight() != image.height) return errFormat;
  return imgCheckPalette(image, image.colorCount <= 256 ? image.colorCount : 0);
}

}  // namespace

int32_t cPcxImg::saveFile(LPCWSTR fileName) {
  if (colorCount == 256) {
    // Whatever planes it was read from, a 256-colour picture is written as
    // 8 bits in 1 plane, one byte per pixel.
    header.planeCount = 1;
    header.bitsPerPlane = 8;
    header.bytesPerPlaneLine = static_cast<uint16_t>(bytesPerLine);
  }
  const int32_t refused = refusal(*this);
  if (refused != errNone) return errorCode = refused;

  // A row must fit its plane lines: a picture widened by scaling gets the
  // bytes per plane line it needs, so that the file decodes to the same
  // picture. Rows that fit keep the header's value, padding included, unless
  // the padding is out of proportion (see kMaxKeptLinePadding). The line is
  // not rounded up to an even count: some decoders take a padded bit-plane
  // line for pixels.
  const int64_t needed = imgRowBytes(width, header.planeBits());
  if (needed < 0 || needed > 0xFFFF) return errorCode = errFormat;
  const int64_t given = header.bytesPerPlaneLine;
  if (needed > given || given - needed > kMaxKeptLinePadding) {
    header.bytesPerPlaneLine = static_cast<uint16_t>(needed);
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
    std::memcpy(header.colorMap, palette->entries, 3 * static_cast<size_t>(entries));
  }
  uint8_t bytes[pcxHeader::size];
  header.store(bytes);
  // The flush makes a failure known here rather than rows later.
  if (!writeBytes(bytes, pcxHeader::size) || !flush()) errorCode = errWrite;
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
  header.version = 5;
  if (header.bitsPerPlane != 8 || !palette) return errorCode;
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
