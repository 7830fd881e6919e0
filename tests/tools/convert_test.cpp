// zolmcom convert: usage errors (exit 2), failures named on one line of
// stderr (exit 1), and round trips of pictures made by independent encoders
// (netpbm's ppmtobmp and ppmtopcx), with and without scaling, checked by
// independent decoders (netpbm, and Pillow for BMP). Runs the built command.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/scratchDirectory.h"

namespace {

const std::string kCommand = std::string(ZOLM_BUILD_DIR) + "/zolmcom";

const std::string& scratch() {
  static const std::string dir = testscratch::makeDirectory("/tmp/zolm-convert-test-XXXXXX");
  return dir;
}
std::string at(const std::string& name) { return scratch() + "/" + name; }

struct Outcome {
  int exitCode = -1;
  std::string errors;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Outcome convert(const std::string& arguments) {
  const std::string errors = at("stderr.txt");
  const int status = std::system((kCommand + " convert " + arguments + " 2>'" + errors + "'").c_str());
  Outcome outcome;
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.errors = slurp(errors);
  return outcome;
}

bool haveTools(std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) != 0) return false;
  return true;
}

bool sh(const std::string& command) { return std::system(command.c_str()) == 0; }

class Convert : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kCommand.c_str(), X_OK) != 0) GTEST_SKIP() << "the zolmcom command is not built";
  }
};

// A small picture of `colours` distinct colours (0 for many) as a PPM.
void makePpm(const std::string& path, int width, int height, int colours) {
  std::string data = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int v = x * 3 + y * 5;
      if (colours == 2) {
        const char c = static_cast<char>(((x + y) % 3 == 0) ? 255 : 0);
        data += std::string(3, c);
      } else if (colours) {
        const int i = v % colours;
        data += static_cast<char>(i * 255 / colours);
        data += static_cast<char>(255 - i * 7);
        data += static_cast<char>((i * 37) & 0xFF);
      } else {
        data += static_cast<char>(v * 7), data += static_cast<char>(v * 13), data += static_cast<char>(v * 3 + y);
      }
    }
  }
  std::ofstream(path, std::ios::binary) << data;
}

TEST_F(Convert, UsageErrorsExitWithTwo) {
  makePpm(at("u.ppm"), 4, 4, 0);
  ASSERT_TRUE(!haveTools({"ppmtobmp"}) || sh("ppmtobmp '" + at("u.ppm") + "' >'" + at("u.bmp") + "' 2>/dev/null"));
  const std::string in = "'" + at("u.bmp") + "' ";
  EXPECT_EQ(2, convert("").exitCode);
  EXPECT_EQ(2, convert(in).exitCode);
  EXPECT_EQ(2, convert("'" + at("u.gif") + "' '" + at("o.gif") + "'").exitCode);  // OUT names no format
  EXPECT_EQ(2, convert(in + "'" + at("o.bmp") + "' --sclae 2").exitCode);
  EXPECT_EQ(2, convert(in + "'" + at("o.bmp") + "' --scale").exitCode);
  EXPECT_EQ(2, convert(in + "'" + at("o.bmp") + "' --scale two").exitCode);
  EXPECT_EQ(2, convert(in + "'" + at("o.bmp") + "' --scale 0").exitCode);
  EXPECT_EQ(2, convert(in + "'" + at("o.bmp") + "' --scale -1").exitCode);
  EXPECT_EQ(2, convert(in + "'" + at("o.bmp") + "' --scale nan").exitCode);
  EXPECT_EQ(2, convert(in + "'" + at("o.bmp") + "' '" + at("p.bmp") + "'").exitCode);
  struct stat info;
  EXPECT_NE(0, stat(at("o.bmp").c_str(), &info));  // nothing was written
}

TEST_F(Convert, FailuresNameTheFileAndTheCode) {
  std::ofstream(at("bad.bmp"), std::ios::binary) << "XY not a bitmap at all";
  Outcome read = convert("'" + at("bad.bmp") + "' '" + at("out.bmp") + "'");
  EXPECT_EQ(1, read.exitCode);
  EXPECT_NE(std::string::npos, read.errors.find(at("bad.bmp")));
  EXPECT_NE(std::string::npos, read.errors.find("not a BMP file: the signature is not \"BM\""));
  EXPECT_EQ(1, std::count(read.errors.begin(), read.errors.end(), '\n'));

  if (!haveTools({"ppmtobmp", "ppmtopcx"})) GTEST_SKIP() << "netpbm is not installed";
  makePpm(at("f.ppm"), 6, 4, 16);
  ASSERT_TRUE(sh("ppmtobmp '" + at("f.ppm") + "' >'" + at("f.bmp") + "' 2>/dev/null"));
  Outcome write = convert("'" + at("f.bmp") + "' '" + at("no/such/dir/out.bmp") + "'");
  EXPECT_EQ(1, write.exitCode);
  EXPECT_NE(std::string::npos, write.errors.find("no/such/dir/out.bmp"));
  EXPECT_EQ(1, std::count(write.errors.begin(), write.errors.end(), '\n'));

  Outcome scale = convert("'" + at("f.bmp") + "' '" + at("tiny.bmp") + "' --scale 0.01");
  EXPECT_EQ(1, scale.exitCode);
  EXPECT_NE(std::string::npos, scale.errors.find(at("f.bmp")));

  // PCX pictures are written with a palette: a 24-bit picture is refused
  // in words before OUT is touched, from either format.
  makePpm(at("rgb.ppm"), 5, 3, 0);
  ASSERT_TRUE(sh("ppmtopcx -24bit '" + at("rgb.ppm") + "' >'" + at("rgb.pcx") + "' 2>/dev/null"));
  ASSERT_TRUE(sh("ppmtobmp -bpp=24 '" + at("rgb.ppm") + "' >'" + at("rgb.bmp") + "' 2>/dev/null"));
  for (const char* in : {"rgb.pcx", "rgb.bmp"}) {
    Outcome rgb = convert("'" + at(in) + "' '" + at("rgb-out.pcx") + "'");
    EXPECT_EQ(1, rgb.exitCode);
    EXPECT_NE(std::string::npos, rgb.errors.find("cannot save a 24-bit picture as PCX")) << rgb.errors;
    EXPECT_NE(0, access(at("rgb-out.pcx").c_str(), F_OK));
  }
}

// Decodes with netpbm to a PPM; empty on failure.
std::string netpbm(const std::string& file) {
  const std::string out = file + ".ppm";
  const bool bmp = file.size() > 4 && file.compare(file.size() - 4, 4, ".bmp") == 0;
  const std::string command = bmp ? "bmptopnm '" + file + "' 2>/dev/null | ppmtoppm >'" + out + "' 2>/dev/null"
                                  : "pcxtoppm '" + file + "' >'" + out + "' 2>/dev/null";
  return sh(command) ? slurp(out) : std::string();
}

// Pillow starts slowly: one interpreter turns every file into FILE.pil.ppm.
void pillowAll(const std::vector<std::string>& files) {
  std::string command = "/usr/bin/python3 -c \"import sys\nfrom PIL import Image\nfor f in sys.argv[1:]:\n"
                        " try: Image.open(f).convert('RGB').save(f + '.pil.ppm', 'PPM')\n"
                        " except Exception: pass\"";
  for (const std::string& file : files) command += " '" + file + "'";
  sh(command + " 2>/dev/null");
}
std::string pillow(const std::string& file) { return slurp(file + ".pil.ppm"); }

// "P6\nW H\n255\n" of a decoder's output, as the dimensions.
std::string dimensions(const std::string& ppm) {
  size_t first = ppm.find('\n');
  size_t second = ppm.find('\n', first + 1);
  return first == std::string::npos || second == std::string::npos ? "" : ppm.substr(first + 1, second - first - 1);
}
std::string pixels(const std::string& ppm) {
  size_t end = 0;
  for (int lines = 0; lines < 3 && end != std::string::npos; ++lines) end = ppm.find('\n', end) + 1;
  return ppm.substr(end);
}

TEST_F(Convert, PicturesOfIndependentEncodersRoundTrip) {
  if (!haveTools({"ppmtobmp", "ppmtopcx", "bmptopnm", "pcxtoppm", "ppmtoppm"})) GTEST_SKIP() << "netpbm is not installed";
  struct Case {
    const char* name;
    int colours;
    std::string encode;  // IN from the PPM
  } cases[] = {
      {"b1.bmp", 2, "ppmtobmp -bpp=1"},  {"b4.bmp", 16, "ppmtobmp -bpp=4"},  {"b8.bmp", 200, "ppmtobmp -bpp=8"},
      {"b24.bmp", 0, "ppmtobmp -bpp=24"}, {"p2.pcx", 2, "ppmtopcx"},          {"p16.pcx", 16, "ppmtopcx"},
      {"p256.pcx", 200, "ppmtopcx -8bit"},
  };
  const bool withPillow = sh("/usr/bin/python3 -c 'import PIL' 2>/dev/null");
  struct Files {
    std::string in, out, twice, half;
  };
  std::vector<Files> pillowChecks;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string ppm = at(std::string(c.name) + ".src.ppm");
    makePpm(ppm, 13, 7, c.colours);
    const std::string in = at(std::string("in-") + c.name);
    ASSERT_TRUE(sh(c.encode + " '" + ppm + "' >'" + in + "' 2>/dev/null"));
    const std::string source = netpbm(in);
    ASSERT_FALSE(source.empty());

    // Unscaled: the same picture, as netpbm (and Pillow for BMP) see it.
    const std::string out = at(std::string("out-") + c.name);
    ASSERT_EQ(0, convert("'" + in + "' '" + out + "'").exitCode);
    EXPECT_EQ(source, netpbm(out));

    // Scaled by 2: each pixel of the source becomes a 2 x 2 block.
    const std::string twice = at(std::string("x2-") + c.name);
    ASSERT_EQ(0, convert("'" + in + "' '" + twice + "' --scale 2").exitCode);
    const std::string big = netpbm(twice);
    ASSERT_EQ("26 14", dimensions(big));
    const std::string small = pixels(source), large = pixels(big);
    ASSERT_EQ(small.size() * 4, large.size());
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 26; ++x)
        ASSERT_EQ(small.substr(3 * ((y / 2) * 13 + x / 2), 3), large.substr(3 * (y * 26 + x), 3)) << x << "," << y;

    // Shrunk: the size rule, and decoders agree with each other.
    const std::string half = at(std::string("half-") + c.name);
    ASSERT_EQ(0, convert("'" + in + "' '" + half + "' --scale 0.5").exitCode);
    const std::string shrunk = netpbm(half);
    EXPECT_EQ("6 3", dimensions(shrunk));
    if (c.name[0] == 'b') pillowChecks.push_back({in, out, twice, half});
  }
  // Pillow sees the BMP files as netpbm does: the unscaled copy as its
  // source, the scaled ones as the pictures netpbm decoded.
  if (!withPillow) return;
  std::vector<std::string> all;
  for (const Files& f : pillowChecks) all.insert(all.end(), {f.in, f.out, f.twice, f.half});
  pillowAll(all);
  for (const Files& f : pillowChecks) {
    SCOPED_TRACE(f.in);
    ASSERT_FALSE(pillow(f.in).empty());
    EXPECT_EQ(pixels(pillow(f.in)), pixels(pillow(f.out)));
    EXPECT_EQ(pixels(netpbm(f.twice)), pixels(pillow(f.twice)));
    EXPECT_EQ(pixels(netpbm(f.half)), pixels(pillow(f.half)));
  }
}

}  // namespace
