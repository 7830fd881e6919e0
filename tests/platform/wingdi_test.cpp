// The graphics stand-ins: DIB section layout (row strides, bottom-up and
// top-down rows), the selecting stretch (sizes, which pixels are taken, no
// blending, mirroring, clipping), conversions between depths, and the
// failure paths of every call.
#include "platform/wingdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace {

struct Section {
  HBITMAP bitmap = nullptr;
  uint8_t* bits = nullptr;
};

Section makeSection(int width, int height, int bitCount, const std::vector<RGBQUAD>& colours = {}) {
  std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + 4 * (colours.size() + 1), 0);
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bitCount);
  header.biCompression = BI_RGB;
  header.biClrUsed = static_cast<DWORD>(colours.size());
  std::memcpy(block.data(), &header, sizeof header);
  if (!colours.empty()) std::memcpy(block.data() + 40, colours.data(), 4 * colours.size());
  Section section;
  void* bits = nullptr;
  section.bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(block.data()),
                                    DIB_RGB_COLORS, &bits, nullptr, 0);
  section.bits = static_cast<uint8_t*>(bits);
  return section;
}

std::vector<RGBQUAD> grey256() {
  std::vector<RGBQUAD> table(256);
  for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
  return table;
}

// Two memory contexts holding the two sections; cleans up after itself.
struct Stretch {
  HDC screen = GetDC(nullptr);
  HDC srcDc = CreateCompatibleDC(screen);
  HDC destDc = CreateCompatibleDC(srcDc);
  HGDIOBJ oldSrc = nullptr, oldDest = nullptr;
  Section src, dest;

  Stretch(Section s, Section d) : src(s), dest(d) {
    oldSrc = SelectObject(srcDc, src.bitmap);
    oldDest = SelectObject(destDc, dest.bitmap);
    SetStretchBltMode(destDc, COLORONCOLOR);
  }
  BOOL run(int dw, int dh, int sw, int sh) {
    return StretchBlt(destDc, 0, 0, dw, dh, srcDc, 0, 0, sw, sh, SRCCOPY);
  }
  ~Stretch() {
    SelectObject(srcDc, oldSrc);
    SelectObject(destDc, oldDest);
    DeleteObject(src.bitmap);
    DeleteObject(dest.bitmap);
    DeleteDC(destDc);
    DeleteDC(srcDc);
    ReleaseDC(nullptr, screen);
  }
};

TEST(WinGdiSection, RowsAreWholeWordsAndRunBottomUp) {
  // 3 pixels of 8 bits take 4 bytes a row; memory row 0 is the bottom row.
  Stretch s(makeSection(3, 2, 8, grey256()), makeSection(3, -2, 8, grey256()));
  ASSERT_NE(s.src.bits, nullptr);
  const uint8_t bottom[3] = {1, 2, 3}, top[3] = {4, 5, 6};
  std::memcpy(s.src.bits, bottom, 3);
  std::memcpy(s.src.bits + 4, top, 3);
  ASSERT_TRUE(s.run(3, 2, 3, 2));
  // The destination is top-down: its memory row 0 is the top.
  EXPECT_EQ(0, std::memcmp(s.dest.bits, top, 3));
  EXPECT_EQ(0, std::memcmp(s.dest.bits + 4, bottom, 3));
}

TEST(WinGdiSection, StridesOfEveryDepth) {
  // Each section is two rows; the second row's first pixel is set at the
  // stride the platform gives, and must come out as the picture's top-left.
  struct Case {
    int bitCount, width;
    size_t stride;
    std::vector<uint8_t> white;  // the first pixel, white, as stored
  } cases[] = {{1, 10, 4, {0x80}},          {1, 33, 8, {0x80}},
               {4, 9, 8, {0x10}},           {8, 5, 8, {1}},
               {16, 3, 8, {0xFF, 0x7F}},    {24, 5, 16, {0xFF, 0xFF, 0xFF}},
               {32, 3, 12, {0xFF, 0xFF, 0xFF, 0}}};
  const std::vector<RGBQUAD> table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bitCount);
    Stretch s(makeSection(c.width, 2, c.bitCount, c.bitCount <= 8 ? table : std::vector<RGBQUAD>{}),
              makeSection(c.width, -2, 24));
    ASSERT_NE(s.src.bits, nullptr);
    std::memcpy(s.src.bits + c.stride, c.white.data(), c.white.size());  // top row
    ASSERT_TRUE(s.run(c.width, 2, c.width, 2));
    const size_t destStride = (24 * static_cast<size_t>(c.width) + 31) / 32 * 4;
    EXPECT_EQ(0xFF, s.dest.bits[0]);
    EXPECT_EQ(0xFF, s.dest.bits[2]);
    EXPECT_EQ(0x00, s.dest.bits[3]);                 // second pixel of the top row
    EXPECT_EQ(0x00, s.dest.bits[destStride]);        // bottom row
  }
}

TEST(WinGdiSection, RefusesWhatItCannotDescribe) {
  void* bits = reinterpret_cast<void*>(1);
  EXPECT_EQ(nullptr, CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0));
  EXPECT_EQ(nullptr, bits);  // the address is cleared on failure

  EXPECT_EQ(nullptr, makeSection(0, 5, 8).bitmap);
  EXPECT_EQ(nullptr, makeSection(5, 0, 8).bitmap);
  EXPECT_EQ(nullptr, makeSection(-5, 5, 8).bitmap);
  EXPECT_EQ(nullptr, makeSection(5, 5, 7).bitmap);
  EXPECT_EQ(nullptr, makeSection(5, 5, 2).bitmap);
  EXPECT_EQ(nullptr, makeSection(65536, 65536, 24).bitmap);  // 12 GiB
  EXPECT_EQ(nullptr, makeSection(0x7FFFFFFF, 0x7FFFFFFF, 32).bitmap);

  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = 4;
  info.bmiHeader.biHeight = 4;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_BITFIELDS;
  EXPECT_EQ(nullptr, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  info.bmiHeader.biCompression = BI_RGB;
  EXPECT_EQ(nullptr, CreateDIBSection(nullptr, &info, DIB_PAL_COLORS, &bits, nullptr, 0));
  EXPECT_EQ(nullptr, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, reinterpret_cast<HANDLE>(8), 0));
  info.bmiHeader.biSize = 12;
  EXPECT_EQ(nullptr, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biPlanes = 2;
  EXPECT_EQ(nullptr, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  info.bmiHeader.biPlanes = 1;

  // A context handle that is not one is refused; a valid one is accepted.
  EXPECT_EQ(nullptr, CreateDIBSection(reinterpret_cast<HDC>(&info), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  HBITMAP good = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(nullptr, good);
  EXPECT_NE(nullptr, bits);
  EXPECT_EQ(0, static_cast<uint8_t*>(bits)[0]);  // zero-filled
  EXPECT_TRUE(DeleteObject(good));
}

TEST(WinGdiStretch, EnlargingRepeatsEveryPixel) {
  Stretch s(makeSection(2, 2, 8, grey256()), makeSection(4, 4, 8, grey256()));
  // Memory rows of the bottom-up source: row 0 = {1, 2}, row 1 = {3, 4}.
  s.src.bits[0] = 1, s.src.bits[1] = 2, s.src.bits[4] = 3, s.src.bits[5] = 4;
  ASSERT_TRUE(s.run(4, 4, 2, 2));
  const uint8_t expected[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(expected[y][x], s.dest.bits[y * 4 + x]) << x << "," << y;
}

TEST(WinGdiStretch, HalvingTakesOnePixelOfEachBlock) {
  Stretch s(makeSection(4, 4, 8, grey256()), makeSection(2, 2, 8, grey256()));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) s.src.bits[y * 4 + x] = static_cast<uint8_t>(16 * y + x + 1);
  ASSERT_TRUE(s.run(2, 2, 4, 4));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      const uint8_t v = s.dest.bits[y * 4 + x];
      const int sx = (v - 1) % 16, sy = (v - 1) / 16;
      EXPECT_EQ(x, sx / 2) << "column of " << int(v);
      EXPECT_EQ(y, sy / 2) << "row of " << int(v);
    }
  }
}

TEST(WinGdiStretch, OddFactorsSelectWithoutBlending) {
  // 24-bit pixels alternating between two colours: any blend would show a
  // third value. Columns must come out in source order.
  for (int to : {3, 5, 7, 11}) {
    SCOPED_TRACE(to);
    Stretch s(makeSection(7, 1, 24), makeSection(to, 1, 24));
    for (int x = 0; x < 7; ++x) {
      s.src.bits[3 * x] = static_cast<uint8_t>(x);  // blue: the source column
      s.src.bits[3 * x + 1] = (x % 2) ? 0xF0 : 0x10;
      s.src.bits[3 * x + 2] = (x % 2) ? 0x0F : 0xE1;
    }
    ASSERT_TRUE(s.run(to, 1, 7, 1));
    int last = -1;
    for (int x = 0; x < to; ++x) {
      const int column = s.dest.bits[3 * x];
      ASSERT_LT(column, 7);
      EXPECT_EQ(s.src.bits[3 * column + 1], s.dest.bits[3 * x + 1]);
      EXPECT_EQ(s.src.bits[3 * column + 2], s.dest.bits[3 * x + 2]);
      EXPECT_GE(column, last);
      last = column;
    }
    if (to >= 7) {
      EXPECT_EQ(0, s.dest.bits[0]);
      EXPECT_EQ(6, s.dest.bits[3 * (to - 1)]);
    }
  }
}

TEST(WinGdiStretch, NegativeExtentMirrors) {
  // A negative width runs from its position backwards, the position included.
  Stretch s(makeSection(4, 1, 8, grey256()), makeSection(6, 1, 8, grey256()));
  for (int x = 0; x < 4; ++x) s.src.bits[x] = static_cast<uint8_t>(10 + x);
  std::memset(s.dest.bits, 0xEE, 6);
  ASSERT_TRUE(StretchBlt(s.destDc, 4, 0, -4, 1, s.srcDc, 0, 0, 4, 1, SRCCOPY));
  const uint8_t expected[6] = {0xEE, 13, 12, 11, 10, 0xEE};
  EXPECT_EQ(0, std::memcmp(expected, s.dest.bits, 6));
  // Mirroring the source instead gives the same picture.
  std::memset(s.dest.bits, 0xEE, 6);
  ASSERT_TRUE(StretchBlt(s.destDc, 1, 0, 4, 1, s.srcDc, 3, 0, -4, 1, SRCCOPY));
  EXPECT_EQ(0, std::memcmp(expected, s.dest.bits, 6));
}

TEST(WinGdiStretch, WritesOnlyInsideTheDestination) {
  Stretch s(makeSection(2, 1, 8, grey256()), makeSection(3, 1, 8, grey256()));
  s.src.bits[0] = 7, s.src.bits[1] = 9;
  s.dest.bits[3] = 0x55;  // the fill byte after the row must survive
  ASSERT_TRUE(StretchBlt(s.destDc, -2, 0, 8, 1, s.srcDc, 0, 0, 2, 1, SRCCOPY));
  // Destination pixels -2..5 take 7,7,7,7,9,9,9,9; 0..2 are inside.
  EXPECT_EQ(7, s.dest.bits[0]);
  EXPECT_EQ(7, s.dest.bits[1]);
  EXPECT_EQ(9, s.dest.bits[2]);
  EXPECT_EQ(0x55, s.dest.bits[3]);
  // A source rectangle reaching past the source leaves those pixels alone.
  std::memset(s.dest.bits, 0x33, 3);
  ASSERT_TRUE(s.run(3, 1, 6, 1));  // centres at source columns 1, 3, 5
  EXPECT_EQ(9, s.dest.bits[0]);
  EXPECT_EQ(0x33, s.dest.bits[1]);
  EXPECT_EQ(0x33, s.dest.bits[2]);
}

TEST(WinGdiStretch, PackedDepthsAndColourConversion) {
  // 1-bit source into an 8-bit destination with a different table: the
  // colours decide, so white lands on the destination's white entry.
  const std::vector<RGBQUAD> mono = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  const std::vector<RGBQUAD> other = {{9, 9, 9, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}};
  {
    Stretch s(makeSection(4, 1, 1, mono), makeSection(8, 1, 8, other));
    s.src.bits[0] = 0xA0;  // 1, 0, 1, 0
    ASSERT_TRUE(s.run(8, 1, 4, 1));
    const uint8_t expected[8] = {1, 1, 2, 2, 1, 1, 2, 2};
    EXPECT_EQ(0, std::memcmp(expected, s.dest.bits, 8));
  }
  // 4-bit to 4-bit with the same table keeps the indexes, nibble by nibble.
  {
    std::vector<RGBQUAD> sixteen(16);
    for (int i = 0; i < 16; ++i) sixteen[i] = RGBQUAD{BYTE(i), 0, 0, 0};
    Stretch s(makeSection(3, 1, 4, sixteen), makeSection(6, 1, 4, sixteen));
    s.src.bits[0] = 0x12, s.src.bits[1] = 0x30;
    ASSERT_TRUE(s.run(6, 1, 3, 1));
    EXPECT_EQ(0x11, s.dest.bits[0]);
    EXPECT_EQ(0x22, s.dest.bits[1]);
    EXPECT_EQ(0x33, s.dest.bits[2]);
  }
  // A palette picture into 24 bits gives its colours as blue, green, red.
  {
    const std::vector<RGBQUAD> table = {{0, 0, 0, 0}, {30, 20, 10, 0}};
    Stretch s(makeSection(1, 1, 8, table), makeSection(1, 1, 24));
    s.src.bits[0] = 1;
    ASSERT_TRUE(s.run(1, 1, 1, 1));
    EXPECT_EQ(30, s.dest.bits[0]);
    EXPECT_EQ(20, s.dest.bits[1]);
    EXPECT_EQ(10, s.dest.bits[2]);
  }
}

TEST(WinGdiStretch, RefusesBadRequests) {
  Stretch s(makeSection(2, 2, 8, grey256()), makeSection(2, 2, 8, grey256()));
  EXPECT_FALSE(StretchBlt(s.destDc, 0, 0, 2, 2, s.srcDc, 0, 0, 2, 2, 0x00EE0086));  // SRCPAINT
  // Empty rectangles draw nothing and are no failure.
  s.dest.bits[0] = 0x44;
  EXPECT_TRUE(s.run(0, 2, 2, 2));
  EXPECT_TRUE(s.run(2, 2, 2, 0));
  EXPECT_EQ(0x44, s.dest.bits[0]);
  EXPECT_FALSE(StretchBlt(s.destDc, 0, 0, 2, 2, s.screen, 0, 0, 2, 2, SRCCOPY));
  EXPECT_FALSE(StretchBlt(s.screen, 0, 0, 2, 2, s.srcDc, 0, 0, 2, 2, SRCCOPY));
  int notADc = 0;
  EXPECT_FALSE(StretchBlt(reinterpret_cast<HDC>(&notADc), 0, 0, 2, 2, s.srcDc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_TRUE(s.run(2, 2, 2, 2));
}

TEST(WinGdiObjects, ContextsAndSelectionFollowThePlatformsRules) {
  int notAWindow = 0;
  EXPECT_EQ(nullptr, GetDC(reinterpret_cast<HWND>(&notAWindow)));
  HDC screen = GetDC(nullptr);
  ASSERT_NE(nullptr, screen);
  HDC memory = CreateCompatibleDC(screen);
  HDC other = CreateCompatibleDC(nullptr);
  ASSERT_NE(nullptr, memory);
  ASSERT_NE(nullptr, other);
  EXPECT_EQ(nullptr, CreateCompatibleDC(reinterpret_cast<HDC>(&notAWindow)));

  Section section = makeSection(2, 2, 8, grey256());
  EXPECT_EQ(nullptr, SelectObject(screen, section.bitmap));  // not a memory context
  HGDIOBJ original = SelectObject(memory, section.bitmap);
  EXPECT_NE(nullptr, original);                                // the default bitmap
  EXPECT_EQ(nullptr, SelectObject(other, section.bitmap));     // held by `memory`
  EXPECT_FALSE(DeleteObject(section.bitmap));                  // still selected
  EXPECT_EQ(section.bitmap, SelectObject(memory, original));
  EXPECT_TRUE(DeleteObject(section.bitmap));
  EXPECT_FALSE(DeleteObject(section.bitmap));                  // gone

  EXPECT_EQ(BLACKONWHITE, SetStretchBltMode(memory, COLORONCOLOR));
  EXPECT_EQ(COLORONCOLOR, GetStretchBltMode(memory));
  EXPECT_EQ(0, SetStretchBltMode(memory, 0));
  EXPECT_EQ(0, SetStretchBltMode(memory, 5));

  EXPECT_EQ(0, ReleaseDC(nullptr, memory));  // memory contexts are deleted, not released
  EXPECT_FALSE(DeleteDC(screen));
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_FALSE(DeleteDC(memory));
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_EQ(1, ReleaseDC(nullptr, screen));
  EXPECT_EQ(0, ReleaseDC(nullptr, screen));
  EXPECT_TRUE(GdiFlush());
}

TEST(WinGdiObjects, DeletingAContextFreesItsBitmapForDeletion) {
  HDC memory = CreateCompatibleDC(nullptr);
  Section section = makeSection(1, 1, 24);
  ASSERT_NE(nullptr, SelectObject(memory, section.bitmap));
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_TRUE(DeleteObject(section.bitmap));
}

}  // namespace
