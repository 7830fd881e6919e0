// Replays every input the fuzzers ever stopped on (tests/data/regressions/
// TARGET/) through the same read, write, read-again round trip the fuzz
// targets run, under the normal and the sanitizer builds. A broken
// expectation aborts the test program, like the memory error it stands for.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dirent.h>

#include "fuzz/imageRoundTrip.h"

namespace {

using fuzzsupport::RoundTrip;

std::vector<std::string> inputsOf(const std::string& target) {
  const std::string dir = std::string(ZOLM_TEST_DATA) + "/regressions/" + target;
  std::vector<std::string> paths;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* entry = readdir(d))
      if (entry->d_name[0] != '.') paths.push_back(dir + "/" + entry->d_name);
    closedir(d);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::vector<uint8_t> bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string baseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

TEST(FuzzRegressions, BmpReaderInputsReplayCleanly) {
  const std::vector<std::string> inputs = inputsOf("bmpReader");
  ASSERT_FALSE(inputs.empty());
  for (const std::string& path : inputs) {
    SCOPED_TRACE(path);
    const std::vector<uint8_t> bytes = bytesOf(path);
    ASSERT_FALSE(bytes.empty());
    const RoundTrip how = fuzzsupport::bmpRoundTrip(bytes.data(), bytes.size());
    // A picture of no rows whose row buffer alone would take 671 MB.
    if (baseName(path) == "zero-height-wide-row-buffer.bmp") {
      EXPECT_EQ(how, RoundTrip::refused);
    }
  }
}

TEST(FuzzRegressions, PcxReaderInputsReplayCleanly) {
  const std::vector<std::string> inputs = inputsOf("pcxReader");
  ASSERT_FALSE(inputs.empty());
  for (const std::string& path : inputs) {
    SCOPED_TRACE(path);
    const std::vector<uint8_t> bytes = bytesOf(path);
    ASSERT_FALSE(bytes.empty());
    const RoundTrip how = fuzzsupport::pcxRoundTrip(bytes.data(), bytes.size());
    // 2,115 rows of 5 pixels claiming 65,535-byte plane lines: written back
    // with the lines the rows need, not 138 MB of padding.
    if (baseName(path) == "padded-plane-lines-slow-write.pcx") {
      EXPECT_EQ(how, RoundTrip::writtenAndReread);
    }
    // 3 bits x 8 planes: read, but not written back as another picture.
    if (baseName(path) == "three-bit-planes-written-back-differently.pcx") {
      EXPECT_EQ(how, RoundTrip::readOnly);
    }
  }
}

}  // namespace
