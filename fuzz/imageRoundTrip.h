// The round trip both image fuzz targets run, and the regression tests
// replay: read the input as a file, and when that succeeds write the picture
// back, read the written file and compare. Pixel values are compared as the
// writer can keep them (a 1-bit pixel is set or not, a 4-bit pixel keeps its
// low nibble). A broken expectation aborts, like a memory error would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzzSupport.h"
#include "image/bitmapFile.h"
#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxImg.h"

namespace fuzzsupport {

// The largest input decoded. The readers allow a store of 1024 bytes per
// byte of file beyond 16 MiB, so this keeps a store near 64 MiB at most.
constexpr size_t kMaxImageInputBytes = 64 * 1024;

// Pictures the readers would build a store of more than this many bytes for
// are skipped: zeroing, writing and reading back tens of megabytes per input
// would slow the search a hundredfold (unit tests cover large pictures). Claims the readers refuse cost nothing
// and are always run.
constexpr int64_t kMaxFuzzStoreBytes = 256 << 10;

// Whether the header a probe object has read promises a store worth decoding.
inline bool affordable(const cBitmapFile& probe) {
  if (!imgStoreAllowed(probe.width, probe.height, probe.bytesPerPixel > 0 ? probe.bytesPerPixel : 1,
                       probe.fileLength()))
    return true;
  return int64_t{probe.width} * probe.height * probe.bytesPerPixel <= kMaxFuzzStoreBytes;
}

inline bool knownImageCode(int32_t code) {
  return code == errNone || code == errRead || code == errFormat || code == errPalette ||
         code == errMemory || code == errPaletteRead || code == errWrite;
}

// What a reader leaves behind must be consistent whatever it was given.
inline void checkLoaded(const cBitmapFile& image, int32_t result) {
  FUZZ_CHECK(knownImageCode(result));
  FUZZ_CHECK(result == image.errorCode);
  FUZZ_CHECK(image.fileHandle == nullptr);
  const cImgStore* store = image.pixels;
  if (!store || store->failed) return;
  FUZZ_CHECK(store->rowCount == image.height);
  FUZZ_CHECK(store->width == image.width);
  FUZZ_CHECK(store->rowBytes >= int64_t{image.width} * image.bytesPerPixel);
  // Touch every byte: a short row shows up under the address checker.
  uint32_t sum = 0;
  for (int32_t r = 0; r < store->rowCount; ++r) {
    const uint8_t* row = store->getRow(r);
    FUZZ_CHECK(row != nullptr);
    for (int32_t i = 0; i < store->rowBytes; ++i) sum += row[i];
  }
  (void)sum;
  if (store->palette) FUZZ_CHECK(store->palette == image.palette);
}

inline uint8_t keptValue(uint8_t v, int32_t bitsPerPixel) {
  if (bitsPerPixel == 1) return v != 0;
  if (bitsPerPixel == 4) return v & 0x0F;
  return v;
}

// The picture read back from a written file equals the one written.
inline void checkSamePicture(const cBitmapFile& written, const cBitmapFile& reread,
                             int32_t bitsKept, bool comparePalette) {
  FUZZ_CHECK(reread.width == written.width);
  FUZZ_CHECK(reread.height == written.height);
  FUZZ_CHECK(reread.bytesPerPixel == written.bytesPerPixel);
  FUZZ_CHECK(reread.pixels && !reread.pixels->failed);
  const int64_t rowBytes = int64_t{written.width} * written.bytesPerPixel;
  for (int32_t r = 0; r < written.height; ++r) {
    const uint8_t* a = written.pixels->getRow(r);
    const uint8_t* b = reread.pixels->getRow(r);
    for (int64_t i = 0; i < rowBytes; ++i)
      FUZZ_CHECK(keptValue(a[i], bitsKept) == keptValue(b[i], bitsKept));
  }
  if (!comparePalette) return;
  FUZZ_CHECK(written.palette && reread.palette);
  FUZZ_CHECK(reread.palette->count == written.palette->count);
  if (written.palette->count > 0)
    FUZZ_CHECK(std::memcmp(reread.palette->entries, written.palette->entries,
                           3 * static_cast<size_t>(written.palette->count)) == 0);
}

// How far a round trip went, for the regression tests to report.
enum class RoundTrip { skipped, refused, readOnly, writtenAndReread };

// Reads the header alone and tells whether the picture is small enough to
// decode at fuzzing speed.
template <class Image>
bool worthDecoding(const ScratchFile& input) {
  Image probe;
  if (!probe.openForRead(input.name())) return false;
  probe.readHeader();
  const bool worthIt = affordable(probe);
  probe.closeFile();
  return worthIt;
}

inline RoundTrip bmpRoundTrip(const uint8_t* data, size_t size) {
  if (size > kMaxImageInputBytes) return RoundTrip::skipped;
  static const ScratchFile input("in.bmp");
  static const ScratchFile output("out.bmp");
  if (!input.write(data, size) || !worthDecoding<cBmpImg>(input)) return RoundTrip::skipped;

  cBmpImg first;
  const int32_t loaded = first.loadFile(input.name());
  checkLoaded(first, loaded);
  if (loaded != errNone || !first.pixels) return RoundTrip::refused;

  // The writer refuses what it cannot write whole (16- and 32-bit pictures);
  // whatever it accepts must come back.
  if (first.saveFile(output.name()) != errNone) return RoundTrip::readOnly;
  cBmpImg second;
  const int32_t reloaded = second.loadFile(output.name());
  checkLoaded(second, reloaded);
  FUZZ_CHECK(reloaded == errNone);
  FUZZ_CHECK(second.bitsPerPixel == first.bitsPerPixel);
  checkSamePicture(first, second, first.bitsPerPixel, first.colorCount > 2);
  return RoundTrip::writtenAndReread;
}

inline RoundTrip pcxRoundTrip(const uint8_t* data, size_t size) {
  if (size > kMaxImageInputBytes) return RoundTrip::skipped;
  static const ScratchFile input("in.pcx");
  static const ScratchFile output("out.pcx");
  if (!input.write(data, size) || !worthDecoding<cPcxImg>(input)) return RoundTrip::skipped;

  cPcxImg first;
  const int32_t loaded = first.loadFile(input.name());
  checkLoaded(first, loaded);
  // A 24-bit picture is read whole and then reported as having no palette;
  // its pixels are still worth writing back.
  const bool trueColour = loaded == errPalette && first.bitsPerPixel == 24;
  if ((loaded != errNone && !trueColour) || !first.pixels || first.pixels->failed)
    return RoundTrip::refused;
  if (trueColour) first.errorCode = errNone;

  if (first.saveFile(output.name()) != errNone) return RoundTrip::readOnly;
  cPcxImg second;
  const int32_t reloaded = second.loadFile(output.name());
  checkLoaded(second, reloaded);
  FUZZ_CHECK(reloaded == (trueColour ? errPalette : errNone));
  FUZZ_CHECK(second.bitsPerPixel == first.bitsPerPixel);
  // Pixel values keep the bits the picture's depth holds.
  const int32_t kept = first.bitsPerPixel == 1 ? 1 : first.bitsPerPixel == 4 ? 4 : 8;
  checkSamePicture(first, second, kept, !trueColour && first.colorCount > 2);
  return RoundTrip::writtenAndReread;
}

}  // namespace fuzzsupport
