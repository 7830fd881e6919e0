// zolm_make_pictures DIR WIDTH HEIGHT [FORM...]: writes the benchmark
// pictures (all forms, or those named) into DIR as FORM.bmp / FORM.pcx, for
// bench/compare to hand the same files to every decoder.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/pictureMaker.h"

using namespace benchpictures;

namespace {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && whole;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s DIR WIDTH HEIGHT [FORM...]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const long width = std::strtol(argv[2], nullptr, 10);
  const long height = std::strtol(argv[3], nullptr, 10);
  // The PCX window is 16 bits wide.
  if (width < 1 || height < 1 || width > 65535 || height > 65535) {
    std::fprintf(stderr, "width and height must be 1 to 65535\n");
    return 2;
  }
  for (const FormInfo& info : allForms()) {
    bool wanted = argc == 4;
    for (int i = 4; i < argc; ++i) wanted = wanted || info.name == std::string(argv[i]);
    if (!wanted) continue;
    const std::string path = dir + "/" + info.name + "." + info.extension;
    if (!writeFile(path, makeFile(info.form, static_cast<int32_t>(width), static_cast<int32_t>(height)))) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
