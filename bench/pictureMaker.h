// Generated pictures for the benchmarks and the side-by-side comparison: one
// deterministic picture, encoded in each BMP and PCX form that is measured.
// The picture looks like a drawing with some texture (runs of one colour of
// many lengths between stretches of single pixels), so that the run-length
// codings hold both encoded and literal runs, as real files do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace benchpictures {

enum class Form { bmp8, bmp24, bmpRle8, bmpRle4, pcx1x1, pcx1x4, pcx8x1, pcx8x3 };

struct FormInfo {
  Form form;
  const char* name;       // also the file name's stem
  const char* extension;  // "bmp" or "pcx"
  int bytesPerPixel;      // of the decoded picture
};

const std::vector<FormInfo>& allForms();
const FormInfo* findForm(const std::string& name);

// The file's bytes for a picture of width x height in the given form.
std::vector<uint8_t> makeFile(Form form, int32_t width, int32_t height);

}  // namespace benchpictures
