// zolmcom topnm FILE [OUT]: reads FILE (standard input for "-") with the
// image library, the reader chosen by the file's first bytes, else by its
// extension, and writes the picture as a binary PPM ("P6"), rows from the
// top, to OUT or, without OUT or for "-", to standard output. Palette
// pictures go through their palette; 24-bit pictures are written as they
// are, also a 24-bit PCX picture, for which the reader reports the missing
// palette.
#include "image/imgStore.h"
#include "tools/commands.h"
#include "tools/errorText.h"
#include "tools/options.h"
#include "tools/pictureFile.h"
#include "tools/ppmWriter.h"

namespace {

// A store the PPM writer can take: whole, one byte per pixel or three.
bool drawable(const cImgStore& store) {
  return !store.failed && store.width >= 0 && store.rowCount >= 0 &&
         (store.bitsPerPixel == 8 || store.bitsPerPixel == 24);
}

}  // namespace

int topnmCommand(const zolmCommand& self, const commandArgs& args) {
  std::vector<std::string> operands;
  const int stop = readOptions(self, args, {}, nullptr, operands);
  if (stop >= 0) return stop;
  if (operands.empty() || operands.size() > 2) return usageError(self, operands.empty() ? "FILE is needed" : "too many arguments");
  const std::string output = operands.size() == 2 ? operands[1] : "-";

  pictureInput input;
  // OUT as a file may be written while FILE is read (into the save's
  // temporary file, which a failed read drops); standard output gets the
  // picture once the read has succeeded.
  livePpmWriter live(output);
  const bool read = input.read(operands[0], output == "-" ? nullptr : &live);
  if (live.took()) {
    const uint32_t code = live.finish(read);
    if (!read) return 1;
    if (code != 0) return reportFailure(output, "cannot write: " + systemErrorText(code));
    return 0;
  }
  if (!read) return 1;
  if (!drawable(*input.image->pixels))
    return reportFailure(input.shownName, "the picture's pixels cannot be drawn: " +
                                              std::to_string(input.image->pixels->bitsPerPixel) +
                                              " bits per pixel in the store (errFormat)");
  const uint32_t code = writePpm(output, *input.image);
  if (code != 0)
    return reportFailure(output == "-" ? "standard output" : output, "cannot write: " + systemErrorText(code));
  return 0;
}
