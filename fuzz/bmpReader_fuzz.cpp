// Fuzz target: the BMP reader on arbitrary files, and the BMP writer on what
// it read. A picture that was read and written must read back the same.
#include "fuzz/fuzzSupport.h"
#include "fuzz/imageRoundTrip.h"
#include "image/bmp/bmpImg.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxImageInputBytes) return 0;
  static const ScratchFile input("in.bmp");
  static const ScratchFile output("out.bmp");
  if (!input.write(data, size)) return 0;

  {
    cBmpImg probe;
    if (!probe.openForRead(input.name())) return 0;
    probe.readHeader();
    const bool worthIt = affordable(probe);
    probe.closeFile();
    if (!worthIt) return 0;
  }
  cBmpImg first;
  const int32_t loaded = first.loadFile(input.name());
  checkLoaded(first, loaded);
  if (loaded != errNone || !first.pixels) return 0;

  // The writer refuses what it cannot write whole (16- and 32-bit pictures);
  // whatever it accepts must come back.
  if (first.saveFile(output.name()) != errNone) return 0;
  cBmpImg second;
  const int32_t reloaded = second.loadFile(output.name());
  checkLoaded(second, reloaded);
  FUZZ_CHECK(reloaded == errNone);
  FUZZ_CHECK(second.bitsPerPixel == first.bitsPerPixel);
  checkSamePicture(first, second, first.bitsPerPixel, first.colorCount > 2);
  return 0;
}
