// Any file name, through the built command: on Linux a name is bytes, and
// every byte string names exactly that file, whether or not it is UTF-8;
// an overlong form never stands for another character.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/image/imageTestFiles.h"

using testfiles::readFile;
using testfiles::scratchPath;

namespace {

const std::string kCommand = std::string(ZOLM_BUILD_DIR) + "/zolmcom";
const std::string kPicture = std::string(ZOLM_TEST_DATA) + "/valid/bmp-info-8.bmp";

// Runs the command with arguments given as raw bytes (no shell quoting).
int zolmcom(std::initializer_list<std::string> arguments) {
  const pid_t child = fork();
  if (child == 0) {
    std::vector<char*> argv{const_cast<char*>(kCommand.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execv(kCommand.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

class FileNames : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kCommand.c_str(), X_OK) != 0) GTEST_SKIP() << "the zolmcom command is not built";
  }
};

}  // namespace

TEST_F(FileNames, EveryByteAboveAsciiNamesItsOwnFile) {
  std::string bytes;
  for (int b = 0x80; b <= 0xFF; ++b) bytes += static_cast<char>(b);
  const std::string in = scratchPath("in" + bytes.substr(0, 64) + ".bmp");
  const std::string out = scratchPath("out" + bytes.substr(64) + ".bmp");
  testfiles::writeFile(in, readFile(kPicture));
  EXPECT_EQ(0, zolmcom({"convert", in, out}));
  EXPECT_TRUE(exists(out));
  EXPECT_EQ(0, zolmcom({"topnm", out, scratchPath("out\xE9.ppm")}));
  EXPECT_TRUE(exists(scratchPath("out\xE9.ppm")));
  EXPECT_FALSE(exists(scratchPath("out\xEF\xBF\xBD.ppm")));  // not a replacement character
  // The object is handed the name through a BSTR and still finds the file.
  testfiles::writeFile(scratchPath("caf\xE9.bmp"), readFile(kPicture));
  EXPECT_EQ(0, zolmcom({"palette", scratchPath("caf\xE9.bmp")}));
}

TEST_F(FileNames, OverlongFormsAreNotTheCharacterTheyEncode) {
  // "a", an overlong '/', "b.bmp": a name of its own, not "a/b.bmp".
  const std::string folder = scratchPath("a");
  mkdir(folder.c_str(), 0700);
  testfiles::writeFile(folder + "/b.bmp", readFile(kPicture));
  const std::string overlong = scratchPath("a\xC0\xAF" "b.bmp");
  EXPECT_EQ(1, zolmcom({"topnm", overlong, scratchPath("overlong.ppm")}));
  EXPECT_FALSE(exists(scratchPath("overlong.ppm")));
  testfiles::writeFile(overlong, readFile(kPicture));
  EXPECT_EQ(0, zolmcom({"convert", overlong, scratchPath("x\xE0\x80\xAE.bmp")}));
  EXPECT_TRUE(exists(scratchPath("x\xE0\x80\xAE.bmp")));
}
