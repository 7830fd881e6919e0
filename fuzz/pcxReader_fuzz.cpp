// Fuzz target: the PCX reader on arbitrary files, and the PCX writer on what
// it read. A picture that was read and written must read back the same.
#include "fuzz/fuzzSupport.h"
#include "fuzz/imageRoundTrip.h"
#include "image/pcx/pcxImg.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxImageInputBytes) return 0;
  static const ScratchFile input("in.pcx");
  static const ScratchFile output("out.pcx");
  if (!input.write(data, size)) return 0;

  {
    cPcxImg probe;
    if (!probe.openForRead(input.name())) return 0;
    probe.readHeader();
    const bool worthIt = affordable(probe);
    probe.closeFile();
    if (!worthIt) return 0;
  }
  cPcxImg first;
  const int32_t loaded = first.loadFile(input.name());
  checkLoaded(first, loaded);
  // A 24-bit picture is read whole and then reported as having no palette;
  // its pixels are still worth writing back.
  const bool trueColour = loaded == errPalette && first.bitsPerPixel == 24;
  if ((loaded != errNone && !trueColour) || !first.pixels || first.pixels->failed) return 0;
  if (trueColour) first.errorCode = errNone;

  if (first.saveFile(output.name()) != errNone) return 0;
  cPcxImg second;
  const int32_t reloaded = second.loadFile(output.name());
  checkLoaded(second, reloaded);
  FUZZ_CHECK(reloaded == (trueColour ? errPalette : errNone));
  FUZZ_CHECK(second.bitsPerPixel == first.bitsPerPixel);
  // Pixel values keep the bits the picture's depth holds.
  const int32_t kept = first.bitsPerPixel == 1 ? 1 : first.bitsPerPixel == 4 ? 4 : 8;
  checkSamePicture(first, second, kept, !trueColour && first.colorCount > 2);
  return 0;
}
