// zolmcom topnm: the reader chosen by extension, the PPM written, and the
// exit codes and messages for reads that fail and for usage errors. Runs the
// built command as a user would.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/image/imageTestFiles.h"

using testfiles::readFile;
using testfiles::scratchPath;

namespace {

const std::string kCommand = std::string(ZOLM_BUILD_DIR) + "/zolmcom";
const std::string kData = ZOLM_TEST_DATA;

struct CommandRun {
  int status;
  std::string errors;
};

CommandRun zolmcom(const std::string& arguments) {
  const std::string errors = scratchPath("stderr.txt");
  const int raw = std::system((kCommand + " " + arguments + " 2>" + errors).c_str());
  std::vector<uint8_t> text = readFile(errors);
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(text.begin(), text.end())};
}

std::string copyAs(const std::string& source, const std::string& name) {
  testfiles::writeFile(scratchPath(name), readFile(source));
  return scratchPath(name);
}

}  // namespace

TEST(Topnm, WritesThePictureAsBinaryPpm) {
  const std::string out = scratchPath("out.ppm");
  for (const char* name : {"bmp-info-8", "bmp-info-1", "bmp-rle4-hand", "pcx-1x1", "pcx-1x4", "pcx-8x3"}) {
    const std::string picture = kData + "/valid/" + name + (name[0] == 'b' ? ".bmp" : ".pcx");
    CommandRun run = zolmcom("topnm " + picture + " " + out);
    EXPECT_EQ(run.status, 0) << name << run.errors;
    EXPECT_EQ(readFile(out), readFile(kData + "/valid/" + name + ".ppm")) << name;
  }
}

// The first bytes choose the reader ("BM", 0x0A); the extension, whatever
// its case, only where they name neither format.
TEST(Topnm, ContentThenExtensionChoosesTheReader) {
  const std::string out = scratchPath("ext.ppm");
  const std::string icon = copyAs(kData + "/valid/pcx-8x1.pcx", "picture.Ico");
  EXPECT_EQ(zolmcom("topnm " + icon + " " + out).status, 0);
  EXPECT_EQ(readFile(out), readFile(kData + "/valid/pcx-8x1.ppm"));
  const std::string misnamed = copyAs(kData + "/valid/bmp-info-4.bmp", "dir.bmp.pcx");
  EXPECT_EQ(zolmcom("topnm " + misnamed + " " + out).status, 0);
  EXPECT_EQ(readFile(out), readFile(kData + "/valid/bmp-info-4.ppm"));
  const std::string plain = copyAs(kData + "/valid/pcx-8x3.pcx", "plain");
  EXPECT_EQ(zolmcom("topnm " + plain + " " + out).status, 0);
  EXPECT_EQ(readFile(out), readFile(kData + "/valid/pcx-8x3.ppm"));
  // Neither by content nor by name: said in words.
  testfiles::writeFile(scratchPath("notes.txt"), std::vector<uint8_t>{'h', 'i'});
  CommandRun neither = zolmcom("topnm " + scratchPath("notes.txt") + " " + out);
  EXPECT_EQ(neither.status, 1);
  EXPECT_NE(neither.errors.find("notes.txt: not a BMP or PCX file"), std::string::npos) << neither.errors;
  // A name that promises BMP over other content.
  testfiles::writeFile(scratchPath("fake.BMP"), std::vector<uint8_t>(100, 'x'));
  CommandRun fake = zolmcom("topnm " + scratchPath("fake.BMP") + " " + out);
  EXPECT_EQ(fake.status, 1);
  EXPECT_NE(fake.errors.find("fake.BMP: not a BMP file: the signature is not \"BM\" (errFormat)"), std::string::npos)
      << fake.errors;
}

TEST(Topnm, FailedReadsExitWithOneAndNameTheFile) {
  const std::string out = scratchPath("fail.ppm");
  CommandRun missing = zolmcom("topnm " + scratchPath("missing.bmp") + " " + out);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.errors.find("missing.bmp: cannot open: No such file or directory (system error 2)"),
            std::string::npos) << missing.errors;
  EXPECT_EQ(std::count(missing.errors.begin(), missing.errors.end(), '\n'), 1);

  testfiles::writeFile(scratchPath("bad.bmp"), std::vector<uint8_t>{'B', 'M', 0, 0});
  CommandRun bad = zolmcom("topnm " + scratchPath("bad.bmp") + " " + out);
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.errors.find("bad.bmp: cannot read the header or the palette: the file ends too soon (errRead)"),
            std::string::npos) << bad.errors;

  CommandRun unwritable = zolmcom("topnm " + kData + "/valid/bmp-info-1.bmp " + scratchPath("no/dir/x.ppm"));
  EXPECT_EQ(unwritable.status, 1);
}

TEST(Topnm, UsageErrorsExitWithTwo) {
  EXPECT_EQ(zolmcom("").status, 2);
  EXPECT_EQ(zolmcom("topnm").status, 2);
  EXPECT_EQ(zolmcom("topnm a b c").status, 2);
  CommandRun unknown = zolmcom("nosuchcommand");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.errors.find("topnm"), std::string::npos);
}

namespace {

// A raw BMP of several output bands (about 1 MiB each) whose pixel bytes
// are a pattern of their place; its pixel data in `data`.
std::string largeBmp(uint16_t bits, int32_t width, int32_t height, std::vector<uint8_t>& data) {
  const int32_t rowBytes = (width * bits + 31) / 32 * 4;
  data.assign(static_cast<size_t>(rowBytes) * height, 0);
  for (int32_t fileRow = 0; fileRow < height; ++fileRow)
    for (int32_t x = 0; x < (width * bits + 7) / 8; ++x)
      data[static_cast<size_t>(fileRow) * rowBytes + x] = static_cast<uint8_t>(x * 7 + fileRow * 13);
  const std::string picture = scratchPath("large" + std::to_string(bits) + ".bmp");
  const uint32_t colours = bits == 24 ? 0 : 1u << bits;
  testfiles::writeFile(picture, testfiles::bmpInfoFile(width, height, bits, 0, colours, data));
  return picture;
}

}  // namespace

// Palette rows are looked up and written band after band (two-colour rows
// four pixels at a time), 24-bit rows go out in large writes; every pixel
// must land in its place, rows from the top.
TEST(Topnm, LargePicturesComeOutWhole) {
  const int32_t width = 701, height = 1500;  // 3.2 MB of PPM
  for (uint16_t bits : {1, 8, 24}) {
    const int32_t rowBytes = (width * bits + 31) / 32 * 4;
    std::vector<uint8_t> data;
    const std::string picture = largeBmp(bits, width, height, data);
    const std::string out = scratchPath("large.ppm");
    CommandRun run = zolmcom("topnm " + picture + " " + out);
    ASSERT_EQ(run.status, 0) << run.errors;
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(testfiles::readPpm(out, w, h, rgb));
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* fileRow = data.data() + static_cast<size_t>(height - 1 - y) * rowBytes;
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t* pixel = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
        // Palette entry i is red 3i, green 2i, blue i; 24-bit files hold blue, green, red.
        const uint8_t index = bits == 1 ? (fileRow[x / 8] >> (7 - x % 8)) & 1 : fileRow[x];
        const uint8_t expected[3] = {
            bits < 24 ? uint8_t(3 * index) : fileRow[3 * x + 2],
            bits < 24 ? uint8_t(2 * index) : fileRow[3 * x + 1],
            bits < 24 ? index : fileRow[3 * x]};
        ASSERT_EQ(0, std::memcmp(pixel, expected, 3)) << bits << " bits, pixel " << x << ", " << y;
      }
    }
  }
}

namespace {

// Plane lines for testfiles::pcxFile: some rows differ from the row above
// (runs and literals), the others repeat it.
std::vector<uint8_t> planeLines(int32_t height, size_t rowBytes) {
  std::vector<uint8_t> lines(rowBytes * static_cast<size_t>(height));
  for (size_t y = 0; y < static_cast<size_t>(height); ++y)
    for (size_t x = 0; x < rowBytes; ++x)
      lines[y * rowBytes + x] = y > 0 && y % 5 && y % 7 != 1 ? lines[(y - 1) * rowBytes + x]
                                : (x / 9 + y) % 3 ? static_cast<uint8_t>(y % 2 ? 0xFF : 0)
                                                  : static_cast<uint8_t>(x * 31 + y * 17);
  return lines;
}

// The PPM they make: plane j gives bit j of the index, a plane of 4 bits
// the whole index; 2 colours are black and white, 16 pcxFile's colour map.
std::vector<uint8_t> planesAsPpm(uint8_t bits, uint8_t planes, int32_t width, int32_t height, size_t lineBytes,
                                 const std::vector<uint8_t>& lines) {
  const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  std::vector<uint8_t> ppm(header.begin(), header.end());
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      int index = 0;
      for (int j = 0; j < planes; ++j) {
        const uint8_t byte = lines[(static_cast<size_t>(y) * planes + j) * lineBytes + static_cast<size_t>(x) * bits / 8];
        index |= (bits == 4 ? (x % 2 ? byte & 0x0F : byte >> 4) : (byte >> (7 - x % 8)) & 1) << j;
      }
      if (bits * planes == 1)
        ppm.insert(ppm.end(), 3, static_cast<uint8_t>(index ? 255 : 0));
      else
        ppm.insert(ppm.end(), {static_cast<uint8_t>(16 * index), static_cast<uint8_t>(255 - 16 * index),
                               static_cast<uint8_t>(5 * index)});
    }
  return ppm;
}

}  // namespace

// A PCX picture whose palette the header gives goes into a file band by
// band while it is read; standard output gets it once the read is over.
// Both must hold the picture the plane lines make (widths that are no
// multiple of 8, repeated rows); where the data ends early, the same
// picture with its last rows of index 0.
TEST(Topnm, PcxWrittenWhileReadIsTheWholePicture) {
  struct Form {
    uint8_t bits, planes;
    int32_t width, height;
  };
  const std::string picture = scratchPath("live.pcx"), file = scratchPath("live.ppm"), piped = scratchPath("piped.ppm");
  for (Form f : {Form{1, 1, 997, 700}, Form{1, 4, 101, 300}, Form{4, 1, 333, 300}}) {
    const uint16_t lineBytes = static_cast<uint16_t>(((f.width * f.bits + 7) / 8 + 1) / 2 * 2);
    const std::vector<uint8_t> lines = planeLines(f.height, size_t{f.planes} * lineBytes);
    const std::vector<uint8_t> pcx = testfiles::pcxFile(f.bits, f.planes, f.width, f.height, lineBytes, lines);
    const std::vector<uint8_t> expected = planesAsPpm(f.bits, f.planes, f.width, f.height, lineBytes, lines);
    for (bool whole : {true, false}) {
      testfiles::writeFile(picture, std::vector<uint8_t>(pcx.begin(), whole ? pcx.end() : pcx.begin() + pcx.size() / 2));
      ASSERT_EQ(zolmcom("topnm " + picture + " " + file).status, 0) << f.width;
      ASSERT_EQ(zolmcom("topnm " + picture + " - >" + piped).status, 0) << f.width;
      const std::vector<uint8_t> got = readFile(file);
      EXPECT_EQ(got, readFile(piped)) << f.width;
      ASSERT_EQ(got.size(), expected.size()) << f.width;
      if (whole) {
        EXPECT_EQ(got, expected) << f.width;
      }
      // Cut short: the first quarter as it should be, the last row index 0.
      EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(expected.size() / 4), got.begin()));
      const std::vector<uint8_t> zero = f.bits * f.planes == 1 ? std::vector<uint8_t>{0, 0, 0} : std::vector<uint8_t>{0, 255, 0};
      for (size_t at = got.size() - static_cast<size_t>(f.width) * 3; !whole && at < got.size(); at += 3)
        ASSERT_TRUE(std::equal(zero.begin(), zero.end(), got.begin() + static_cast<std::ptrdiff_t>(at))) << f.width;
    }
  }
}

TEST(Topnm, AFailedWriteExitsWithOne) {
  // /dev/full takes the header into the stream's buffer and fails the bands.
  for (uint16_t bits : {8, 24}) {
    std::vector<uint8_t> data;
    CommandRun run = zolmcom("topnm " + largeBmp(bits, 700, 1500, data) + " /dev/full");
    EXPECT_EQ(run.status, 1) << bits;
    EXPECT_NE(run.errors.find("cannot write"), std::string::npos) << run.errors;
  }
}
