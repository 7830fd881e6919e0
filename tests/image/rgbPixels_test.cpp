// Our decodes against independent decoders: every picture in
// tests/data/valid was written by another encoder (netpbm, ImageMagick,
// Pillow, or the small encoders in tests/data/make_samples.sh) and its .ppm
// beside it is netpbm's or Pillow's decode. The files in tests/data/malformed
// are valid pictures cut short; the rows read whole must match the complete
// picture's decode and the rest must stay zero in the store.
#include "image/rgbPixels.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <memory>

#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxImg.h"
#include "tests/image/imageTestFiles.h"

namespace {

const std::string kData = ZOLM_TEST_DATA;

std::vector<std::string> filesIn(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (!d) return names;
  while (dirent* entry = readdir(d)) {
    std::string name = entry->d_name;
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      names.push_back(name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

std::unique_ptr<cBitmapFile> load(const std::string& path) {
  std::unique_ptr<cBitmapFile> image;
  if (path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0)
    image.reset(new cBmpImg);
  else
    image.reset(new cPcxImg);
  image->loadFile(testfiles::wide(path).c_str());
  return image;
}

bool loadedWhole(const cBitmapFile& image) {
  return image.errorCode == errNone || (image.errorCode == errPalette && image.bitsPerPixel == 24);
}

void compareWithReference(const std::string& picture, const std::string& reference) {
  std::unique_ptr<cBitmapFile> image = load(kData + "/valid/" + picture);
  EXPECT_TRUE(loadedWhole(*image)) << picture << " error " << image->errorCode;
  std::vector<uint8_t> ours;
  ASSERT_TRUE(imgRgbPixels(*image, ours)) << picture;
  int width = 0, height = 0;
  std::vector<uint8_t> theirs;
  ASSERT_TRUE(testfiles::readPpm(kData + "/valid/" + reference, width, height, theirs)) << reference;
  EXPECT_EQ(image->pixels->width, width) << picture;
  EXPECT_EQ(image->pixels->rowCount, height) << picture;
  ASSERT_EQ(ours.size(), theirs.size()) << picture;
  size_t first = std::mismatch(ours.begin(), ours.end(), theirs.begin()).first - ours.begin();
  EXPECT_EQ(first, ours.size()) << picture << ": first difference at pixel " << first / 3;
}

}  // namespace

TEST(ReferenceDecodes, EveryValidPictureMatchesItsIndependentDecode) {
  int compared = 0;
  for (const std::string& suffix : {std::string(".bmp"), std::string(".pcx")}) {
    for (const std::string& name : filesIn(kData + "/valid", suffix)) {
      compareWithReference(name, name.substr(0, name.size() - 4) + ".ppm");
      ++compared;
    }
  }
  EXPECT_GE(compared, 20);
}

// The forms the command must read, each present among the samples.
TEST(ReferenceDecodes, SamplesCoverEveryForm) {
  const char* forms[] = {"bmp-info-1.bmp", "bmp-info-4.bmp", "bmp-info-8.bmp", "bmp-info-24.bmp",
                         "bmp-core-1.bmp", "bmp-core-4.bmp", "bmp-core-8.bmp", "bmp-core-24.bmp",
                         "bmp-rle8-im.bmp", "bmp-rle8-hand.bmp", "bmp-rle4-hand.bmp",
                         "bmp-topdown-8.bmp", "bmp-v5-8.bmp", "bmp-clrused-8.bmp",
                         "pcx-1x1.pcx", "pcx-1x4.pcx", "pcx-4x1.pcx", "pcx-8x1.pcx", "pcx-8x3.pcx"};
  for (const char* form : forms) {
    std::unique_ptr<cBitmapFile> image = load(kData + "/valid/" + form);
    EXPECT_NE(image->pixels, nullptr) << form;
  }
  std::unique_ptr<cBitmapFile> rle4 = load(kData + "/valid/bmp-rle4-hand.bmp");
  EXPECT_EQ(static_cast<cBmpImg*>(rle4.get())->compression, 2u);
  std::unique_ptr<cBitmapFile> v5 = load(kData + "/valid/bmp-v5-8.bmp");
  EXPECT_EQ(static_cast<cBmpImg*>(v5.get())->infoHeader.biSize, 124u);
}

TEST(ReferenceDecodes, CutPicturesKeepTheRowsReadWhole) {
  struct Cut {
    const char* name;
    const char* whole;
    int storedRows;  // rows expected to match; -1: at least one
  };
  // bmp-info-8-cut holds 5 rows and 7 bytes of its 40-byte rows.
  const Cut cuts[] = {{"bmp-info-8-cut.bmp", "bmp-info-8.ppm", 5},
                      {"bmp-rle8-hand-cut.bmp", "bmp-rle8-hand.ppm", -1},
                      {"pcx-1x4-cut.pcx", "pcx-1x4.ppm", -1},
                      {"pcx-8x3-cut.pcx", "pcx-8x3.ppm", -1}};
  for (const Cut& cut : cuts) {
    std::unique_ptr<cBitmapFile> image = load(kData + "/malformed/" + cut.name);
    std::vector<uint8_t> ours;
    ASSERT_TRUE(imgRgbPixels(*image, ours)) << cut.name;
    int width = 0, height = 0;
    std::vector<uint8_t> whole;
    ASSERT_TRUE(testfiles::readPpm(kData + "/valid/" + cut.whole, width, height, whole));
    ASSERT_EQ(ours.size(), whole.size());
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    int matching = 0, black = 0;
    for (int r = 0; r < height; ++r) {
      auto start = ours.begin() + static_cast<std::ptrdiff_t>(r * rowBytes);
      const bool same = std::equal(start, start + static_cast<std::ptrdiff_t>(rowBytes),
                                   whole.begin() + static_cast<std::ptrdiff_t>(r * rowBytes));
      // Black as the store holds it: index 0 or red, green, blue 0.
      const uint8_t* stored = image->pixels->getRow(r);
      const bool dark = std::all_of(stored, stored + image->pixels->rowBytes,
                                    [](uint8_t v) { return v == 0; });
      EXPECT_TRUE(same || dark) << cut.name << " row " << r;
      matching += same;
      black += dark && !same;
    }
    if (cut.storedRows >= 0)
      EXPECT_EQ(matching, cut.storedRows) << cut.name;
    else
      EXPECT_GT(matching, 0) << cut.name;
    EXPECT_GT(black, 0) << cut.name;
  }
}

TEST(RgbPixels, IndexesWithoutEntryAreBlack) {
  const std::vector<uint8_t> file = testfiles::bmpInfoFile(3, 1, 8, 0, 2, {0, 1, 200, 0}, 2);
  cBmpImg image;
  ASSERT_EQ(testfiles::loadBytes(image, "map.bmp", file), errNone);
  image.palette->count = 2;  // a palette shorter than the indexes used
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(imgRgbPixels(image, rgb));
  EXPECT_EQ(rgb, (std::vector<uint8_t>{0, 0, 0, 3, 2, 1, 0, 0, 0}));
  cBmpImg empty;
  EXPECT_FALSE(imgRgbPixels(empty, rgb));
  EXPECT_TRUE(rgb.empty());
}
