// A main for the fuzz targets without libFuzzer: runs LLVMFuzzerTestOneInput
// once on each file named (directories are walked one level deep), so that a
// saved input can be replayed under any compiler or debugger.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int runFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::fprintf(stderr, "replaying %s (%zu bytes)\n", path.c_str(), bytes.size());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    struct stat info;
    if (stat(argv[i], &info) == 0 && S_ISDIR(info.st_mode)) {
      DIR* dir = opendir(argv[i]);
      if (!dir) {
        ++failures;
        continue;
      }
      while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        failures += runFile(std::string(argv[i]) + "/" + entry->d_name);
      }
      closedir(dir);
      continue;
    }
    failures += runFile(argv[i]);
  }
  return failures == 0 ? 0 : 1;
}
