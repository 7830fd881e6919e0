// The command as netpbm and ImageMagick users expect it, run as they run
// it: help and version, options named when unknown, standard input and
// output, failures in words, info's lines, and conversion between formats
// with and without scaling.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/image/imageTestFiles.h"

using testfiles::readFile;
using testfiles::scratchPath;

namespace {

const std::string kCommand = std::string(ZOLM_BUILD_DIR) + "/zolmcom";
const std::string kData = std::string(ZOLM_TEST_DATA) + "/valid/";

struct Outcome {
  int status = -1;
  std::string out, errors;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// `before` runs ahead of the command in the same shell line (a pipe into it).
Outcome zolmcom(const std::string& arguments, const std::string& before = "") {
  const std::string out = scratchPath("stdout"), errors = scratchPath("stderr");
  const int raw = std::system((before + kCommand + " " + arguments + " >" + out + " 2>" + errors).c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(errors)};
}

class Command : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kCommand.c_str(), X_OK) != 0) GTEST_SKIP() << "the zolmcom command is not built";
  }
};

}  // namespace

TEST_F(Command, HelpGoesToStandardOutputAndVersionIsTheProjects) {
  for (const char* ask : {"-h", "--help", "help"}) {
    const Outcome run = zolmcom(ask);
    EXPECT_EQ(run.status, 0) << ask;
    EXPECT_EQ(run.out.rfind("usage: zolmcom COMMAND", 0), 0u) << ask;
    EXPECT_NE(run.out.find("  info FILE"), std::string::npos) << ask;
    EXPECT_EQ(run.errors, "") << ask;
  }
  for (const char* ask : {"convert --help", "palette -h", "help topnm", "info --help"}) {
    const Outcome run = zolmcom(ask);
    EXPECT_EQ(run.status, 0) << ask;
    const std::string name = std::string(ask).find("help ") == 0 ? "topnm" : std::string(ask).substr(0, std::string(ask).find(' '));
    EXPECT_EQ(run.out.rfind("usage: zolmcom " + name + " ", 0), 0u) << run.out;
  }
  const std::string cmake = slurp(std::string(ZOLM_SOURCE_DIR) + "/CMakeLists.txt");
  const std::string lead = "project(zolmcom VERSION ";
  const size_t start = cmake.find(lead);
  ASSERT_NE(start, std::string::npos);
  const size_t from = start + lead.size();
  const std::string version = cmake.substr(from, cmake.find_first_not_of("0123456789.", from) - from);
  ASSERT_FALSE(version.empty());
  const Outcome run = zolmcom("--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "zolmcom " + version + "\n");
}

TEST_F(Command, UnknownOptionsAreNamed) {
  const std::string in = kData + "bmp-info-8.bmp ";
  const struct {
    std::string arguments, message;
  } cases[] = {
      {"--bogus", "zolmcom: unknown option '--bogus'"},
      {"convert " + in + scratchPath("o.bmp") + " --sclae 2", "unknown option '--sclae'"},
      {"convert " + in + scratchPath("o.bmp") + " --scale", "option '--scale' needs a value"},
      {"convert " + in + scratchPath("o.bmp") + " --scale 0", "must be a number above 0, not '0'"},
      {"topnm -x " + in, "unknown option '-x'"},
      {"palette " + in + "--format png", "unknown palette format 'png'"},
  };
  for (const auto& c : cases) {
    const Outcome run = zolmcom(c.arguments);
    EXPECT_EQ(run.status, 2) << c.arguments;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("usage: zolmcom"), std::string::npos) << run.errors;
  }
  EXPECT_NE(access(scratchPath("o.bmp").c_str(), F_OK), 0);
}

TEST_F(Command, DashIsStandardInputAndOutput) {
  const std::string picture = kData + "pcx-8x1.pcx";
  const std::string ppm = slurp(kData + "pcx-8x1.ppm");
  EXPECT_EQ(zolmcom("topnm " + picture).out, ppm);
  EXPECT_EQ(zolmcom("topnm " + picture + " -").out, ppm);
  EXPECT_EQ(zolmcom("topnm -", "cat " + picture + " | ").out, ppm);
  EXPECT_EQ(zolmcom("topnm - -", "cat " + picture + " | ").out, ppm);
  const Outcome converted = zolmcom("convert - " + scratchPath("from-stdin.bmp"), "cat " + picture + " | ");
  EXPECT_EQ(converted.status, 0) << converted.errors;
  EXPECT_EQ(zolmcom("topnm " + scratchPath("from-stdin.bmp")).out, ppm);
  const Outcome empty = zolmcom("info -", "true | ");
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.errors.find("zolmcom: standard input: not a BMP or PCX file"), std::string::npos) << empty.errors;
  EXPECT_EQ(access(scratchPath("-").c_str(), F_OK), -1);
}

// One line each: program, file, cause in words, code in brackets; never a
// bare "error 0", never a platform code that an earlier read left behind.
TEST_F(Command, FailuresAreOneLineInWords) {
  std::vector<uint8_t> big = testfiles::bmpInfoFile(70000, 70000, 24, 0, 0, std::vector<uint8_t>(64));
  testfiles::writeFile(scratchPath("big.bmp"), big);
  testfiles::writeFile(scratchPath("cut.pcx"), std::vector<uint8_t>{0x0A, 5, 1});
  const std::string rgbPcx = kData + "pcx-8x3.pcx";
  const struct {
    std::string arguments, line;
  } cases[] = {
      {"info " + scratchPath("none.bmp"),
       "zolmcom: " + scratchPath("none.bmp") + ": cannot open: No such file or directory (system error 2)\n"},
      {"topnm " + scratchPath("big.bmp"), "zolmcom: " + scratchPath("big.bmp") + ": picture too large: 70000 x 70000 (errMemory)\n"},
      {"info " + scratchPath("cut.pcx"),
       "zolmcom: " + scratchPath("cut.pcx") + ": cannot read the header or the palette: the file ends too soon (errRead)\n"},
      {"convert " + rgbPcx + " " + scratchPath("rgb.pcx"),
       "zolmcom: " + scratchPath("rgb.pcx") +
           ": cannot save a 24-bit picture as PCX: PCX pictures are written with a palette of at most 256 colours (errPalette)\n"},
      {"convert " + kData + "bmp-info-8.bmp " + scratchPath("s.bmp") + " --scale 100000",
       "zolmcom: " + kData + "bmp-info-8.bmp: cannot scale 37 x 23 by 100000: 3700000 x 2300000 is more than the 268435456 pixels a picture may have (errMemory)\n"},
      {"convert " + kData + "bmp-info-8.bmp " + scratchPath("no/such/dir.bmp"),
       "zolmcom: " + scratchPath("no/such/dir.bmp") + ": cannot create: No such file or directory (system error 2)\n"},
  };
  for (const auto& c : cases) {
    const Outcome run = zolmcom(c.arguments);
    EXPECT_EQ(run.status, 1) << c.arguments;
    EXPECT_EQ(run.errors, c.line);
  }
}

TEST_F(Command, InfoPrintsOneNameAndValuePerLine) {
  EXPECT_EQ(zolmcom("info " + kData + "bmp-rle8-hand.bmp").out,
            "format: BMP\nwidth: 45\nheight: 19\nbits per pixel: 8\nplanes: 1\ncompression: RLE8\ncolours: 256\nheader size: 40\n");
  EXPECT_EQ(zolmcom("info " + kData + "bmp-core-4.bmp").out.find("header size: 12\n") != std::string::npos, true);
  EXPECT_EQ(zolmcom("info " + kData + "pcx-8x3.pcx").out,
            "format: PCX\nwidth: 37\nheight: 23\nbits per pixel: 24\nplanes: 3\ncompression: RLE\ncolours: 16777216\n");
}

// Every depth both ways, scaled and not: the picture OUT holds is the one
// a conversion within IN's own format gives.
TEST_F(Command, ConvertsBetweenFormatsWithThePalette) {
  for (const char* name : {"bmp-info-1.bmp", "bmp-info-4.bmp", "bmp-core-8.bmp", "bmp-info-24.bmp", "pcx-1x1.pcx",
                           "pcx-1x4.pcx", "pcx-4x1.pcx", "pcx-8x1.pcx", "pcx-8x3.pcx"}) {
    const std::string in = kData + name;
    const bool fromBmp = name[0] == 'b';
    const bool rgb = std::string(name).find("24") != std::string::npos || std::string(name) == "pcx-8x3.pcx";
    if (rgb && fromBmp) continue;  // 24 bits go to BMP only; the refusal is tested above
    for (const std::string scale : {"", " --scale 2", " --scale 0.5"}) {
      SCOPED_TRACE(name + scale);
      const std::string same = scratchPath(std::string("same") + (fromBmp ? ".bmp" : ".pcx"));
      const std::string other = scratchPath(std::string("other") + (fromBmp ? ".pcx" : ".bmp"));
      if (!rgb) {
        ASSERT_EQ(zolmcom("convert " + in + " " + same + scale).status, 0);
      }
      const Outcome run = zolmcom("convert " + in + " " + other + scale);
      ASSERT_EQ(run.status, 0) << run.errors;
      const std::string expected = rgb ? zolmcom("topnm " + in).out : zolmcom("topnm " + same).out;
      if (rgb && !scale.empty()) {
        EXPECT_NE(zolmcom("topnm " + other).out, "");
        continue;
      }
      EXPECT_EQ(zolmcom("topnm " + other).out, expected);
      EXPECT_EQ(zolmcom("info " + other).out.find(std::string("format: ") + (fromBmp ? "PCX" : "BMP")), 0u);
    }
  }
}
