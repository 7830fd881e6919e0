// Scaling: the size rule and its refusals, which pixels the stretch keeps,
// the description handed to the platform, the format overrides' header
// updates, pictures of 1 and 4 bits, and clean-up on every path. The graphics
// calls are wrapped here (this executable's definitions come before the
// platform library's) to count what is obtained and released and to make any
// one of them fail.
#include "image/scale.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "image/bmp/bmpImg.h"
#include "image/pcx/pcxImg.h"
#include "imageTestFiles.h"
#include "platform/wingdi.h"
#include "writerTestPictures.h"

using writertest::makePcxHeader;
using writertest::makePicture;

namespace {

struct GdiLedger {
  std::string failName;  // the call to fail...
  int failNth = 0;       // ...on its nth use (1-based)
  std::map<std::string, int> calls;
  int liveDcs = 0, liveBitmaps = 0, selected = 0;
  BITMAPINFOHEADER lastHeader{};
  std::vector<RGBQUAD> lastColours;
  size_t lastSourceStride = 0;

  bool fails(const char* name) { return ++calls[name] == failNth && failName == name; }
  void reset() { *this = GdiLedger(); }
};
GdiLedger ledger;

template <typename F>
F real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

HDC WINAPI GetDC(HWND window) {
  if (ledger.fails("GetDC")) return nullptr;
  HDC dc = real<HDC (*)(HWND)>("GetDC")(window);
  if (dc) ++ledger.liveDcs;
  return dc;
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
  const int result = real<int (*)(HWND, HDC)>("ReleaseDC")(window, dc);
  if (result) --ledger.liveDcs;
  return result;
}

HDC WINAPI CreateCompatibleDC(HDC dc) {
  if (ledger.fails("CreateCompatibleDC")) return nullptr;
  HDC made = real<HDC (*)(HDC)>("CreateCompatibleDC")(dc);
  if (made) ++ledger.liveDcs;
  return made;
}

BOOL WINAPI DeleteDC(HDC dc) {
  const BOOL result = real<BOOL (*)(HDC)>("DeleteDC")(dc);
  if (result) --ledger.liveDcs;
  return result;
}

HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                DWORD offset) {
  ledger.lastHeader = info->bmiHeader;
  const uint32_t colours = info->bmiHeader.biBitCount <= 8 ? (info->bmiHeader.biClrUsed ? info->bmiHeader.biClrUsed : 256) : 0;
  ledger.lastColours.assign(info->bmiColors, info->bmiColors + colours);
  if (ledger.fails("CreateDIBSection")) {
    if (bits) *bits = nullptr;
    return nullptr;
  }
  HBITMAP made = real<HBITMAP (*)(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD)>("CreateDIBSection")(
      dc, info, usage, bits, section, offset);
  if (made) ++ledger.liveBitmaps;
  return made;
}

HBITMAP WINAPI hostSectionOverRows(const BITMAPINFO* info, void* firstRow, size_t stride) {
  ledger.lastSourceStride = stride;
  if (ledger.fails("hostSectionOverRows")) return nullptr;
  HBITMAP made = real<HBITMAP (*)(const BITMAPINFO*, void*, size_t)>("hostSectionOverRows")(info, firstRow, stride);
  if (made) ++ledger.liveBitmaps;
  return made;
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
  if (ledger.fails("SelectObject")) return nullptr;
  return real<HGDIOBJ (*)(HDC, HGDIOBJ)>("SelectObject")(dc, object);
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
  const BOOL result = real<BOOL (*)(HGDIOBJ)>("DeleteObject")(object);
  if (result) --ledger.liveBitmaps;
  return result;
}

int WINAPI SetStretchBltMode(HDC dc, int mode) {
  if (ledger.fails("SetStretchBltMode")) return 0;
  EXPECT_EQ(COLORONCOLOR, mode);
  return real<int (*)(HDC, int)>("SetStretchBltMode")(dc, mode);
}

BOOL WINAPI StretchBlt(HDC destDc, int destX, int destY, int destWidth, int destHeight, HDC srcDc, int srcX,
                       int srcY, int srcWidth, int srcHeight, DWORD rop) {
  if (ledger.fails("StretchBlt")) return FALSE;
  EXPECT_EQ(SRCCOPY, rop);
  return real<BOOL (*)(HDC, int, int, int, int, HDC, int, int, int, int, DWORD)>("StretchBlt")(
      destDc, destX, destY, destWidth, destHeight, srcDc, srcX, srcY, srcWidth, srcHeight, rop);
}

}  // extern "C"

namespace {

uint8_t position(int32_t x, int32_t y, int32_t k) { return static_cast<uint8_t>(x + 16 * y + 100 * k); }

class Scale : public ::testing::Test {
 protected:
  void SetUp() override { ledger.reset(); }
  void TearDown() override {
    EXPECT_EQ(0, ledger.liveDcs) << "device contexts left behind";
    EXPECT_EQ(0, ledger.liveBitmaps) << "bitmaps left behind";
  }
};

TEST_F(Scale, SizesAreTruncatedProducts) {
  cBmpImg image;
  makePicture(image, 101, 51, 8, 256, 256, position);
  ASSERT_EQ(1, image.scale(0.5f));
  EXPECT_EQ(50, image.width);
  EXPECT_EQ(25, image.height);
  EXPECT_EQ(50, image.bytesPerLine);  // bytes per pixel x width, no rounding
  EXPECT_EQ(25, image.pixels->rowCount);
  EXPECT_EQ(50, image.pixels->width);
  cBmpImg larger;
  makePicture(larger, 101, 51, 24, 0, 0, position);
  ASSERT_EQ(1, larger.scale(2.0f));
  EXPECT_EQ(202, larger.width);
  EXPECT_EQ(102, larger.height);
  EXPECT_EQ(606, larger.bytesPerLine);
}

TEST_F(Scale, FactorOneKeepsEveryPixel) {
  for (uint16_t bits : {8, 24}) {
    cBmpImg image, original;
    makePicture(image, 7, 5, bits, bits == 8 ? 256 : 0, bits == 8 ? 256 : 0, position);
    makePicture(original, 7, 5, bits, 0, 0, position);
    ASSERT_EQ(1, image.scale(1.0f));
    for (int32_t y = 0; y < 5; ++y)
      EXPECT_EQ(0, std::memcmp(original.pixels->getRow(y), image.pixels->getRow(y), static_cast<size_t>(7 * image.bytesPerPixel)));
  }
}

TEST_F(Scale, RowsInOneBlockAreStretchedInPlaceOthersCopiedFirst) {
  {
    // One block: the source section lies over the store's rows, a row apart.
    cBmpImg block;
    makePicture(block, 7, 5, 24, 0, 0, position);
    ASSERT_EQ(1, block.scale(2.0f));
    EXPECT_EQ(1, ledger.calls["hostSectionOverRows"]);
    EXPECT_EQ(21u, ledger.lastSourceStride);
    EXPECT_EQ(1, ledger.calls["CreateDIBSection"]);
  }

  // Rows out of order in memory: they are copied into a section of their own.
  ledger.calls.clear();
  cBmpImg shuffled;
  makePicture(shuffled, 7, 5, 24, 0, 0, position);
  std::swap(shuffled.pixels->rows[1], shuffled.pixels->rows[3]);
  ASSERT_EQ(1, shuffled.scale(2.0f));
  EXPECT_EQ(0, ledger.calls["hostSectionOverRows"]);
  EXPECT_EQ(2, ledger.calls["CreateDIBSection"]);
  for (int32_t y = 0; y < 10; ++y) {
    const int32_t from = y / 2 == 1 ? 3 : y / 2 == 3 ? 1 : y / 2;
    for (int32_t k = 0; k < 3; ++k) EXPECT_EQ(position(6, from, k), shuffled.pixels->getRow(y)[3 * 13 + k]) << y;
  }
}

TEST_F(Scale, DoublingRepeatsEachPixelAndKeepsRedGreenBlue) {
  cBmpImg image;
  makePicture(image, 3, 2, 24, 0, 0, position);
  ASSERT_EQ(1, image.scale(2.0f));
  for (int32_t y = 0; y < 4; ++y) {
    const uint8_t* row = image.pixels->getRow(y);
    for (int32_t x = 0; x < 6; ++x)
      for (int32_t k = 0; k < 3; ++k) ASSERT_EQ(position(x / 2, y / 2, k), row[3 * x + k]) << x << "," << y;
  }
}

TEST_F(Scale, ShrinkingSelectsPixelsInOrderWithoutBlending) {
  for (float factor : {0.5f, 0.7f, 0.34f, 1.3f}) {
    SCOPED_TRACE(factor);
    cBmpImg image;
    makePicture(image, 16, 12, 8, 256, 256, position);  // value = x + 16 y
    ASSERT_EQ(1, image.scale(factor));
    int32_t lastY = -1;
    for (int32_t y = 0; y < image.height; ++y) {
      const uint8_t* row = image.pixels->getRow(y);
      const int32_t sy = row[0] / 16;
      EXPECT_GE(sy, lastY);
      // Within the source rows this destination row covers.
      EXPECT_GE(sy, static_cast<int32_t>(std::floor(y / factor)) - 1);
      EXPECT_LE(sy, static_cast<int32_t>(std::ceil((y + 1) / factor)));
      lastY = sy;
      int32_t lastX = -1;
      for (int32_t x = 0; x < image.width; ++x) {
        EXPECT_EQ(sy, row[x] / 16) << "a row mixes source rows";
        const int32_t sx = row[x] % 16;
        EXPECT_GE(sx, lastX);
        EXPECT_GE(sx, static_cast<int32_t>(std::floor(x / factor)) - 1);
        EXPECT_LE(sx, static_cast<int32_t>(std::ceil((x + 1) / factor)));
        lastX = sx;
      }
    }
  }
}

TEST_F(Scale, ThePlatformIsGivenTheStoresFormatAndThePalette) {
  cBmpImg image;
  makePicture(image, 4, 3, 8, 256, 200, position);
  ASSERT_EQ(1, image.scale(1.5f));
  EXPECT_EQ(40u, ledger.lastHeader.biSize);
  EXPECT_EQ(6, ledger.lastHeader.biWidth);
  EXPECT_EQ(4, ledger.lastHeader.biHeight);  // positive: bottom-up
  EXPECT_EQ(8, ledger.lastHeader.biBitCount);
  EXPECT_EQ(0u, ledger.lastHeader.biCompression);
  EXPECT_EQ(200u, ledger.lastHeader.biClrUsed);
  ASSERT_EQ(200u, ledger.lastColours.size());
  EXPECT_EQ(5, ledger.lastColours[5].rgbRed);  // entry 5 is 5, 10, 15
  EXPECT_EQ(10, ledger.lastColours[5].rgbGreen);
  EXPECT_EQ(15, ledger.lastColours[5].rgbBlue);

  cBmpImg rgb;
  makePicture(rgb, 4, 3, 24, 0, 0, position);
  ASSERT_EQ(1, rgb.scale(2.0f));
  EXPECT_EQ(24, ledger.lastHeader.biBitCount);
  EXPECT_EQ(0u, ledger.lastHeader.biClrUsed);
}

TEST_F(Scale, FactorsWithoutAUsableSizeChangeNothing) {
  const float factors[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(), 0.0f, -1.0f, 0.001f, 20000.0f};
  for (float factor : factors) {
    SCOPED_TRACE(factor);
    cBmpImg image;
    makePicture(image, 100, 10, 8, 256, 256, position);
    const cImgStore* before = image.pixels;
    EXPECT_EQ(0, image.scale(factor));
    EXPECT_EQ(before, image.pixels);
    EXPECT_EQ(100, image.width);
    EXPECT_EQ(10, image.height);
  }
  int32_t w = 7, h = 7;
  EXPECT_FALSE(imgScaledSize(16384, 16384, 1.01f, &w, &h));  // past 2^28 pixels
  EXPECT_TRUE(imgScaledSize(16384, 16384, 1.0f, &w, &h));
  EXPECT_FALSE(imgScaledSize(3, 1000, 0.3f, &w, &h));  // width 0
  EXPECT_EQ(16384, w);
}

TEST_F(Scale, PicturesWithoutStoreOrPaletteLinkAreLeftAlone) {
  cBmpImg empty;
  EXPECT_EQ(0, empty.scale(2.0f));
  cBmpImg unlinked;
  makePicture(unlinked, 4, 4, 8, 256, 256, position);
  unlinked.pixels->palette = nullptr;
  EXPECT_EQ(0, unlinked.scale(2.0f));
  EXPECT_EQ(4, unlinked.width);
}

TEST_F(Scale, EveryPlatformFailureLeavesThePictureAndReleasesEverything) {
  const std::pair<const char*, int> failures[] = {
      {"GetDC", 1},          {"CreateCompatibleDC", 1}, {"CreateCompatibleDC", 2}, {"hostSectionOverRows", 1},
      {"CreateDIBSection", 1}, {"SelectObject", 1},     {"SelectObject", 2},       {"SetStretchBltMode", 1},
      {"StretchBlt", 1}};
  for (const auto& failure : failures) {
    SCOPED_TRACE(std::string(failure.first) + " #" + std::to_string(failure.second));
    ledger.reset();
    ledger.failName = failure.first;
    ledger.failNth = failure.second;
    cBmpImg image;
    makePicture(image, 6, 4, 8, 256, 256, position);
    const cImgStore* before = image.pixels;
    EXPECT_EQ(0, image.scale(2.0f));
    EXPECT_EQ(before, image.pixels);
    EXPECT_EQ(6, image.width);
    EXPECT_EQ(4, image.height);
    EXPECT_EQ(8, image.bytesPerLine);
    EXPECT_EQ(0, image.infoHeader.biWidth);  // the override did not run on
    EXPECT_EQ(position(5, 3, 0), image.pixels->getRow(3)[5]);
    EXPECT_EQ(0, ledger.liveDcs);
    EXPECT_EQ(0, ledger.liveBitmaps);
  }
}

TEST_F(Scale, BmpPicturesRecordTheLow16BitsOfTheirSize) {
  cBmpImg image;
  makePicture(image, 35000, 1, 8, 256, 256, position);
  ASSERT_EQ(1, image.scale(2.0f));
  EXPECT_EQ(70000, image.width);
  EXPECT_EQ(4464, image.infoHeader.biWidth);  // 70,000 modulo 65,536
  EXPECT_EQ(2, image.infoHeader.biHeight);
}

TEST_F(Scale, PcxPicturesGetTheirNewWindow) {
  cPcxImg image;
  makePicture(image, 101, 51, 8, 256, 256, position);
  makePcxHeader(image, 8, 1, 102);
  image.header.xMin = 7;
  ASSERT_EQ(1, image.scale(0.5f));
  std::vector<uint8_t> header(pcxHeader::size);
  image.header.store(header.data());
  EXPECT_EQ(0, writertest::le16(header, 4));
  EXPECT_EQ(0, writertest::le16(header, 6));
  EXPECT_EQ(49u, writertest::le16(header, 8));
  EXPECT_EQ(24u, writertest::le16(header, 10));
  EXPECT_EQ(102u, writertest::le16(header, 66));
  // A window holds 16-bit coordinates: wider than 65536 pixels is refused.
  cPcxImg wide;
  makePicture(wide, 40000, 1, 8, 256, 256, position);
  makePcxHeader(wide, 8, 1, 40000);
  EXPECT_EQ(0, wide.scale(2.0f));
  EXPECT_EQ(40000, wide.width);
}

TEST_F(Scale, OneAndFourBitPicturesKeepTheirDepthAndSaveCorrectly) {
  // A 1-bit BMP picture: stretched as 8 bits, written back as 1 bit.
  cBmpImg mono;
  makePicture(mono, 5, 3, 1, 2, 2, [](int32_t x, int32_t y, int32_t) { return uint8_t((x + y) & 1); });
  mono.palette->entries[3] = mono.palette->entries[4] = mono.palette->entries[5] = 255;
  cPalette* palette = mono.palette;
  ASSERT_EQ(1, mono.scale(2.0f));
  EXPECT_EQ(1, mono.bitsPerPixel);
  EXPECT_EQ(2u, mono.colorCount);
  EXPECT_EQ(palette, mono.palette);
  EXPECT_EQ(palette, mono.pixels->palette);
  EXPECT_EQ(8, ledger.lastHeader.biBitCount);
  const std::u16string monoPath = testfiles::wide(testfiles::scratchPath("scaled-mono.bmp"));
  ASSERT_EQ(errNone, mono.saveFile(monoPath.c_str()));
  cBmpImg monoBack;
  ASSERT_EQ(errNone, monoBack.loadFile(monoPath.c_str()));
  EXPECT_EQ(1, monoBack.bitsPerPixel);
  ASSERT_EQ(10, monoBack.width);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 10; ++x) ASSERT_EQ(((x / 2) + (y / 2)) & 1, monoBack.pixels->getRow(y)[x]);

  // A 16-colour PCX picture of 1 bit x 4 planes, widened past its lines.
  cPcxImg sixteen;
  makePicture(sixteen, 6, 2, 4, 16, 16, [](int32_t x, int32_t y, int32_t) { return uint8_t(x + 6 * y); });
  makePcxHeader(sixteen, 1, 4, 2);
  ASSERT_EQ(1, sixteen.scale(3.0f));
  EXPECT_EQ(4, sixteen.bitsPerPixel);
  EXPECT_EQ(16u, sixteen.colorCount);
  const std::u16string pcxPath = testfiles::wide(testfiles::scratchPath("scaled16.pcx"));
  ASSERT_EQ(errNone, sixteen.saveFile(pcxPath.c_str()));
  cPcxImg pcxBack;
  ASSERT_EQ(errNone, pcxBack.loadFile(pcxPath.c_str()));
  ASSERT_EQ(18, pcxBack.width);
  ASSERT_EQ(6, pcxBack.height);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 18; ++x) ASSERT_EQ(x / 3 + 6 * (y / 3), pcxBack.pixels->getRow(y)[x]) << x << "," << y;
}

}  // namespace

// A 24-bit picture read with the 12-byte core header scales like one read
// with the 40-byte info header.
TEST(ScaleCoreHeader, TrueColourScalesLikeAnInfoHeaderPicture) {
  cBmpImg core, info;
  const std::string data = ZOLM_TEST_DATA;
  ASSERT_EQ(core.loadFile(testfiles::wide(data + "/valid/bmp-core-24.bmp").c_str()), errNone);
  ASSERT_EQ(info.loadFile(testfiles::wide(data + "/valid/bmp-info-24.bmp").c_str()), errNone);
  ASSERT_EQ(info.scale(2.0f), 1);
  ASSERT_EQ(core.scale(2.0f), 1);
  ASSERT_EQ(core.width, info.width);
  ASSERT_EQ(core.height, info.height);
  for (int32_t r = 0; r < core.height; ++r)
    ASSERT_EQ(std::memcmp(core.pixels->getRow(r), info.pixels->getRow(r), 3 * static_cast<size_t>(core.width)), 0)
        << "row " << r;
}
