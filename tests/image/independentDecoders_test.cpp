// What the writers produce, read by decoders that are not ours: netpbm's
// bmptopnm and pcxtoppm, and Pillow. Each file must decode to the colours of
// the picture written (a 1-bit BMP picture in the black and white the writer
// always gives it), also after scaling. A decoder that is not installed
// skips its cases; scripts/setup installs them all.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/bmp/bmpImg.h"
#include "image/pcx/pcxImg.h"
#include "imageTestFiles.h"
#include "writerTestPictures.h"

using writertest::makePcxHeader;
using writertest::makePicture;

namespace {

struct Rgb {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> bytes;  // red, green, blue, rows from the top
};

bool haveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

bool havePillow() {
  return std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0;
}

// Parses a binary PPM ("P6", maximum 255).
bool parsePpm(const std::vector<uint8_t>& file, Rgb& out) {
  size_t at = 0;
  auto token = [&]() {
    std::string text;
    while (at < file.size()) {
      const char c = static_cast<char>(file[at]);
      if (c == '#') {
        while (at < file.size() && file[at] != '\n') ++at;
      } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
        if (!text.empty()) break;
        ++at;
      } else {
        text += c;
        ++at;
      }
    }
    return text;
  };
  if (token() != "P6") return false;
  out.width = std::atoi(token().c_str());
  out.height = std::atoi(token().c_str());
  if (token() != "255") return false;
  ++at;  // the single whitespace before the pixels
  const size_t size = 3 * static_cast<size_t>(out.width) * static_cast<size_t>(out.height);
  if (file.size() < at + size) return false;
  out.bytes.assign(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at + size));
  return true;
}

bool run(const std::string& command, const std::string& ppm, Rgb& out) {
  std::remove(ppm.c_str());
  if (std::system(command.c_str()) != 0) return false;
  return parsePpm(testfiles::readFile(ppm), out);
}

bool netpbmDecode(const std::string& file, bool bmp, Rgb& out) {
  const std::string ppm = file + ".netpbm.ppm";
  const std::string command = bmp ? "bmptopnm '" + file + "' 2>/dev/null | ppmtoppm >'" + ppm + "' 2>/dev/null"
                                  : "pcxtoppm '" + file + "' >'" + ppm + "' 2>/dev/null";
  return run(command, ppm, out);
}

// Pillow starts slowly: one interpreter converts every file to FILE.pillow.ppm.
void pillowDecodeAll(const std::vector<std::string>& files) {
  std::string command = "/usr/bin/python3 -c \"import sys\nfrom PIL import Image\nfor f in sys.argv[1:]:\n"
                        " try: Image.open(f).convert('RGB').save(f + '.pillow.ppm', 'PPM')\n"
                        " except Exception: pass\"";
  for (const std::string& file : files) {
    std::remove((file + ".pillow.ppm").c_str());
    command += " '" + file + "'";
  }
  command += " 2>/dev/null";
  EXPECT_EQ(0, std::system(command.c_str()));
}

bool pillowResult(const std::string& file, Rgb& out) {
  return parsePpm(testfiles::readFile(file + ".pillow.ppm"), out);
}

// The colours of the picture held by `image`, as a decoder should see them.
Rgb expected(const cBitmapFile& image, bool blackAndWhite) {
  Rgb out;
  out.width = image.width;
  out.height = image.height;
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = image.pixels->getRow(y);
    for (int32_t x = 0; x < image.width; ++x) {
      uint8_t rgb[3] = {0, 0, 0};
      if (image.bytesPerPixel == 3) {
        rgb[0] = row[3 * x], rgb[1] = row[3 * x + 1], rgb[2] = row[3 * x + 2];
      } else if (blackAndWhite) {
        rgb[0] = rgb[1] = rgb[2] = row[x] ? 255 : 0;
      } else {
        image.palette->getEntry(row[x], rgb);
      }
      out.bytes.insert(out.bytes.end(), rgb, rgb + 3);
    }
  }
  return out;
}

void expectSame(const Rgb& want, const Rgb& got, const std::string& what) {
  ASSERT_EQ(want.width, got.width) << what;
  ASSERT_EQ(want.height, got.height) << what;
  for (size_t i = 0; i < want.bytes.size(); ++i) {
    const size_t pixel = i / 3;
    ASSERT_EQ(want.bytes[i], got.bytes[i]) << what << " at " << pixel % static_cast<size_t>(want.width) << ","
                                           << pixel / static_cast<size_t>(want.width);
  }
}

// A palette of distinct colours, so that a wrong index shows.
void distinctColours(cBitmapFile& image) {
  for (int32_t i = 0; i < image.palette->count; ++i) {
    image.palette->entries[3 * i] = static_cast<uint8_t>(i * 7 + 3);
    image.palette->entries[3 * i + 1] = static_cast<uint8_t>(255 - i);
    image.palette->entries[3 * i + 2] = static_cast<uint8_t>(i * 13);
  }
}

uint8_t wave(int32_t x, int32_t y, int32_t k) { return static_cast<uint8_t>(x * 11 + y * 5 + k * 70); }

struct BmpCase {
  uint16_t bits;
  uint32_t colours;
};
const BmpCase kBmpCases[] = {{1, 2}, {4, 16}, {8, 256}, {24, 0}};

// Builds, optionally scales, saves and returns the file's name.
std::string writeBmp(cBmpImg& image, const BmpCase& c, float factor, const std::string& name) {
  const uint32_t colours = c.colours;
  makePicture(image, 23, 9, c.bits, colours, colours, [colours](int32_t x, int32_t y, int32_t k) {
    return colours ? static_cast<uint8_t>(wave(x, y, 0) % colours) : wave(x, y, k);
  });
  if (colours) distinctColours(image);
  if (factor != 1.0f) {
    EXPECT_EQ(1, image.scale(factor));
  }
  const std::string path = testfiles::scratchPath(name);
  EXPECT_EQ(errNone, image.saveFile(testfiles::wide(path).c_str()));
  return path;
}

TEST(IndependentBmp, NetpbmReadsEveryDepthAsWritten) {
  if (!haveTool("bmptopnm") || !haveTool("ppmtoppm")) GTEST_SKIP() << "netpbm is not installed";
  for (float factor : {1.0f, 1.7f, 0.6f}) {
    for (const BmpCase& c : kBmpCases) {
      const std::string what = "netpbm bmp " + std::to_string(c.bits) + " x" + std::to_string(factor);
      cBmpImg image;
      const std::string path = writeBmp(image, c, factor, "ind-" + std::to_string(c.bits) + ".bmp");
      Rgb got;
      ASSERT_TRUE(netpbmDecode(path, true, got)) << what;
      expectSame(expected(image, c.bits == 1), got, what);
    }
  }
}

TEST(IndependentBmp, PillowReadsEveryDepthAsWritten) {
  if (!havePillow()) GTEST_SKIP() << "Pillow is not installed";
  std::vector<std::string> files, names;
  std::vector<Rgb> wanted;
  for (float factor : {1.0f, 2.0f, 0.5f}) {
    for (const BmpCase& c : kBmpCases) {
      const std::string name = "pil-" + std::to_string(c.bits) + "-" + std::to_string(files.size()) + ".bmp";
      cBmpImg image;
      files.push_back(writeBmp(image, c, factor, name));
      names.push_back("Pillow bmp " + std::to_string(c.bits) + " x" + std::to_string(factor));
      wanted.push_back(expected(image, c.bits == 1));
    }
  }
  pillowDecodeAll(files);
  for (size_t i = 0; i < files.size(); ++i) {
    Rgb got;
    ASSERT_TRUE(pillowResult(files[i], got)) << names[i];
    expectSame(wanted[i], got, names[i]);
  }
}

struct PcxCase {
  uint8_t bits, planes;
  uint32_t colours;
  bool netpbmReads;  // pcxtoppm does not take 2 bits in 2 planes
  bool pillowReads;  // Pillow reads 1 x 1, 1 x 4 and 8 x 1 of these
};
const PcxCase kPcxCases[] = {{1, 1, 2, true, true},    {1, 4, 16, true, true},  {2, 2, 16, false, false},
                             {4, 1, 16, true, false},  {8, 1, 256, true, true}, {1, 8, 256, true, true},
                             {2, 4, 256, true, true}};

std::string writePcx(cPcxImg& image, const PcxCase& c, float factor, const std::string& name) {
  const uint32_t colours = c.colours;
  makePicture(image, 19, 11, c.bits * c.planes, colours, colours,
              [colours](int32_t x, int32_t y, int32_t) { return static_cast<uint8_t>(wave(x, y, 0) % colours); });
  if (colours == 2) {
    image.palette->entries[3] = image.palette->entries[4] = image.palette->entries[5] = 255;
  } else {
    distinctColours(image);
  }
  makePcxHeader(image, c.bits, c.planes, static_cast<uint16_t>((19 * c.bits + 7) / 8));
  if (factor != 1.0f) {
    EXPECT_EQ(1, image.scale(factor));
  }
  const std::string path = testfiles::scratchPath(name);
  EXPECT_EQ(errNone, image.saveFile(testfiles::wide(path).c_str()));
  return path;
}

TEST(IndependentPcx, NetpbmReadsEveryPaletteKindAsWritten) {
  if (!haveTool("pcxtoppm")) GTEST_SKIP() << "netpbm is not installed";
  for (float factor : {1.0f, 1.6f, 0.55f}) {
    for (const PcxCase& c : kPcxCases) {
      if (!c.netpbmReads) continue;
      const std::string what =
          "netpbm pcx " + std::to_string(c.bits) + "x" + std::to_string(c.planes) + " x" + std::to_string(factor);
      cPcxImg image;
      const std::string path = writePcx(image, c, factor, "ind.pcx");
      Rgb got;
      ASSERT_TRUE(netpbmDecode(path, false, got)) << what;
      expectSame(expected(image, false), got, what);
    }
  }
}

TEST(IndependentPcx, PillowReadsThePaletteKindsItKnows) {
  if (!havePillow()) GTEST_SKIP() << "Pillow is not installed";
  std::vector<std::string> files, names;
  std::vector<Rgb> wanted;
  for (float factor : {1.0f, 3.0f, 0.5f}) {
    for (const PcxCase& c : kPcxCases) {
      if (!c.pillowReads) continue;
      // A shrunk bit-plane picture keeps its header's longer plane lines,
      // which Pillow refuses ("buffer overrun"); netpbm covers those files.
      if (factor < 1.0f && c.bits < 8) continue;
      const std::string name = "pil-" + std::to_string(files.size()) + ".pcx";
      cPcxImg image;
      files.push_back(writePcx(image, c, factor, name));
      names.push_back("Pillow pcx " + std::to_string(c.bits) + "x" + std::to_string(c.planes) + " x" +
                      std::to_string(factor));
      wanted.push_back(expected(image, false));
    }
  }
  pillowDecodeAll(files);
  for (size_t i = 0; i < files.size(); ++i) {
    Rgb got;
    ASSERT_TRUE(pillowResult(files[i], got)) << names[i];
    expectSame(wanted[i], got, names[i]);
  }
}

}  // namespace
