// Helpers the fuzz targets share: a scratch file of this process that holds
// the input (the image library reads files by name), UTF-16 names, and a
// check that stops the run loudly, so that a broken invariant is kept as a
// crashing input like any memory error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace fuzzsupport {

// A file named after this process in a memory-backed directory when there is
// one; removed when the object goes.
class ScratchFile {
 public:
  explicit ScratchFile(const char* tag) {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    path_ = std::string(dir) + "/zolm-fuzz-" + std::to_string(getpid()) + "-" + tag;
    for (char c : path_) wide_ += static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  ~ScratchFile() { std::remove(path_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  bool write(const uint8_t* data, size_t size) const {
    FILE* f = std::fopen(path_.c_str(), "wb");
    if (!f) return false;
    const bool whole = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && whole;
  }
  const char16_t* name() const { return wide_.c_str(); }

 private:
  std::string path_;
  std::u16string wide_;
};

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
  std::abort();
}

}  // namespace fuzzsupport

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : fuzzsupport::fail(#condition, __FILE__, __LINE__))
