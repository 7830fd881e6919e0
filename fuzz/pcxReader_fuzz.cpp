// Fuzz target: the PCX reader on arbitrary files, and the PCX writer on what
// it read. A picture that was read and written must read back the same.
#include "fuzz/imageRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::pcxRoundTrip(data, size);
  return 0;
}
