// Samples made by other encoders (tests/data/valid): each is read, saved by
// our writer and read again, and must come back with the same picture and
// palette; the saved file must also decode, by our reader, to the sample's
// reference PPM. Core headers, RLE, top-down rows and long headers all come
// back as plain bottom-up files with a 40-byte header.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxImg.h"
#include "image/rgbPixels.h"
#include "imageTestFiles.h"

namespace {

std::unique_ptr<cBitmapFile> imageFor(const std::string& name) {
  if (name.compare(name.size() - 4, 4, ".pcx") == 0) return std::unique_ptr<cBitmapFile>(new cPcxImg);
  return std::unique_ptr<cBitmapFile>(new cBmpImg);
}

// The pixels of a PPM sample ("P6 W H 255" and the bytes).
std::vector<uint8_t> ppmPixels(const std::vector<uint8_t>& file) {
  size_t at = 0;
  for (int fields = 0; fields < 4 && at < file.size(); ++fields) {
    while (at < file.size() && std::isspace(file[at])) ++at;
    while (at < file.size() && !std::isspace(file[at])) ++at;
  }
  return std::vector<uint8_t>(file.begin() + static_cast<long>(std::min(at + 1, file.size())), file.end());
}

TEST(WriterSamples, EverySampleSurvivesASave) {
  const char* samples[] = {"bmp-clrused-8.bmp", "bmp-core-1.bmp",   "bmp-core-24.bmp",   "bmp-core-4.bmp",
                           "bmp-core-8.bmp",    "bmp-info-1.bmp",   "bmp-info-24.bmp",   "bmp-info-4.bmp",
                           "bmp-info-8.bmp",    "bmp-rle4-hand.bmp", "bmp-rle8-hand.bmp", "bmp-rle8-im.bmp",
                           "bmp-topdown-8.bmp", "bmp-v5-8.bmp",     "pcx-1x1.pcx",       "pcx-1x4.pcx",
                           "pcx-4x1.pcx",       "pcx-8x1.pcx",      "pcx-pil-8x1.pcx"};
  for (const char* sample : samples) {
    SCOPED_TRACE(sample);
    const std::string source = std::string(ZOLM_TEST_DATA) + "/valid/" + sample;
    std::unique_ptr<cBitmapFile> first = imageFor(sample);
    ASSERT_EQ(errNone, first->loadFile(testfiles::wide(source).c_str()));
    const std::string saved = testfiles::scratchPath(std::string("saved-") + sample);
    ASSERT_EQ(errNone, first->saveFile(testfiles::wide(saved).c_str()));
    std::unique_ptr<cBitmapFile> again = imageFor(sample);
    ASSERT_EQ(errNone, again->loadFile(testfiles::wide(saved).c_str()));
    ASSERT_EQ(first->width, again->width);
    ASSERT_EQ(first->height, again->height);
    EXPECT_EQ(first->bitsPerPixel, again->bitsPerPixel);
    for (int32_t y = 0; y < first->height; ++y)
      ASSERT_EQ(0, std::memcmp(first->pixels->getRow(y), again->pixels->getRow(y),
                               static_cast<size_t>(first->width * first->bytesPerPixel)))
          << "row " << y;
    // The colours as the reference decode gives them (a 1-bit BMP picture
    // is written black and white, as are the references of these samples).
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(imgRgbPixels(*again, rgb));
    const std::string reference = source.substr(0, source.size() - 4) + ".ppm";
    EXPECT_EQ(ppmPixels(testfiles::readFile(reference)), rgb);
  }
}

TEST(WriterSamples, ATwentyFourBitPcxSampleIsRefusedAndNothingIsWritten) {
  cPcxImg image;
  EXPECT_EQ(errPalette, image.loadFile(testfiles::wide(std::string(ZOLM_TEST_DATA) + "/valid/pcx-8x3.pcx").c_str()));
  const std::string target = testfiles::scratchPath("never.pcx");
  EXPECT_EQ(errPalette, image.saveFile(testfiles::wide(target).c_str()));
  EXPECT_TRUE(testfiles::readFile(target).empty());
}

}  // namespace
