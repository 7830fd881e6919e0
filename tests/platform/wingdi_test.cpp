// The graphics stand-ins: DIB section layout (row strides, bottom-up rows),
// the selecting stretch (sizes, which pixels are taken, no blending, a
// rectangle within the bitmaps), what it refuses, and the failure paths of
// every call.
#include "platform/fileapi.h"
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
  // 3 pixels of 8 bits take 4 bytes a row, 5 of 24 bits 16; memory row 0 is
  // the bottom row, and a stretch turns nothing over.
  for (int bitCount : {8, 24}) {
    SCOPED_TRACE(bitCount);
    const int width = bitCount == 8 ? 3 : 5;
    const size_t stride = bitCount == 8 ? 4 : 16, rowBytes = static_cast<size_t>(width * bitCount / 8);
    Stretch s(makeSection(width, 2, bitCount, bitCount == 8 ? grey256() : std::vector<RGBQUAD>{}),
              makeSection(width, 2, bitCount, bitCount == 8 ? grey256() : std::vector<RGBQUAD>{}));
    ASSERT_NE(s.src.bits, nullptr);
    for (size_t i = 0; i < rowBytes; ++i) {
      s.src.bits[i] = static_cast<uint8_t>(1 + i);
      s.src.bits[stride + i] = static_cast<uint8_t>(100 + i);
    }
    ASSERT_TRUE(s.run(width, 2, width, 2));
    EXPECT_EQ(0, std::memcmp(s.dest.bits, s.src.bits, 2 * stride));
    // Shrunk to one row: the centre of the one row falls on the second row
    // from the top, which is memory row 0.
    Stretch one(makeSection(width, 2, bitCount, bitCount == 8 ? grey256() : std::vector<RGBQUAD>{}),
                makeSection(width, 1, bitCount, bitCount == 8 ? grey256() : std::vector<RGBQUAD>{}));
    std::memcpy(one.src.bits, s.src.bits, 2 * stride);
    ASSERT_TRUE(one.run(width, 1, width, 2));
    EXPECT_EQ(0, std::memcmp(one.dest.bits, s.src.bits, rowBytes));
  }
}

TEST(WinGdiSection, RefusesWhatItCannotDescribe) {
  void* bits = reinterpret_cast<void*>(1);
  SetLastError(0);
  EXPECT_EQ(nullptr, CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0));
  EXPECT_EQ(nullptr, bits);  // the address is cleared on failure
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());

  EXPECT_EQ(nullptr, makeSection(0, 5, 8).bitmap);
  EXPECT_EQ(nullptr, makeSection(5, 0, 8).bitmap);
  EXPECT_EQ(nullptr, makeSection(-5, 5, 8).bitmap);
  EXPECT_EQ(nullptr, makeSection(5, -5, 8).bitmap);  // top-down rows
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  for (int bitCount : {1, 2, 4, 7, 16, 32}) {
    SetLastError(0);
    EXPECT_EQ(nullptr, makeSection(5, 5, bitCount).bitmap) << bitCount;
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError()) << bitCount;
  }
  EXPECT_EQ(nullptr, makeSection(65536, 65536, 24).bitmap);  // 12 GiB
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
  EXPECT_EQ(nullptr, makeSection(0x7FFFFFFF, 0x7FFFFFFF, 24).bitmap);

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
  for (DWORD size : {12u, 108u, 124u}) {
    info.bmiHeader.biSize = size;
    EXPECT_EQ(nullptr, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0)) << size;
  }
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biPlanes = 2;
  EXPECT_EQ(nullptr, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  info.bmiHeader.biPlanes = 1;

  // A context handle that is not one is refused; a valid one is accepted.
  EXPECT_EQ(nullptr, CreateDIBSection(reinterpret_cast<HDC>(&info), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
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

TEST(WinGdiStretch, RectanglesWithinTheBitmapsTouchNothingElse) {
  Stretch s(makeSection(4, 1, 8, grey256()), makeSection(7, 1, 8, grey256()));
  for (int x = 0; x < 4; ++x) s.src.bits[x] = static_cast<uint8_t>(10 + x);
  std::memset(s.dest.bits, 0xEE, 8);
  // Source columns 1 and 2, doubled onto destination columns 2 to 5.
  ASSERT_TRUE(StretchBlt(s.destDc, 2, 0, 4, 1, s.srcDc, 1, 0, 2, 1, SRCCOPY));
  const uint8_t expected[8] = {0xEE, 0xEE, 11, 11, 12, 12, 0xEE, 0xEE};
  EXPECT_EQ(0, std::memcmp(expected, s.dest.bits, 8));
}

TEST(WinGdiStretch, TwentyFourBitPixelsStayWithinTheRectangleAndTheBitmap) {
  // 4096 pixels of 24 bits fill whole pages exactly, so a read past the
  // last source pixel would leave the bitmap's memory.
  const int wide = 4096;
  Stretch s(makeSection(wide, 1, 24), makeSection(2 * wide + 2, 1, 24));
  for (int x = 0; x < wide; ++x)
    for (int c = 0; c < 3; ++c) s.src.bits[3 * x + c] = static_cast<uint8_t>(x + 85 * c);
  const size_t destBytes = 3 * (2 * wide + 2);
  std::memset(s.dest.bits, 0xEE, destBytes);
  std::memset(s.dest.bits, 0x11, 3);  // unlike the right edge, wherever the sections lie
  // Doubled onto destination columns 1 to 2 * wide: one column either side stays.
  ASSERT_TRUE(StretchBlt(s.destDc, 1, 0, 2 * wide, 1, s.srcDc, 0, 0, wide, 1, SRCCOPY));
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(0x11, s.dest.bits[c]);
    EXPECT_EQ(0xEE, s.dest.bits[destBytes - 3 + c]);
  }
  for (int x = 0; x < 2 * wide; ++x)
    for (int c = 0; c < 3; ++c)
      ASSERT_EQ(static_cast<uint8_t>(x / 2 + 85 * c), s.dest.bits[3 * (x + 1) + c]) << x << "," << c;
}

TEST(WinGdiStretch, RefusesWhatItCannotDo) {
  Stretch s(makeSection(2, 2, 8, grey256()), makeSection(2, 2, 8, grey256()));
  s.dest.bits[0] = 0x44;
  struct Request {
    int destX, destWidth, srcX, srcWidth;
    DWORD error;
  } refused[] = {
      {2, -2, 0, 2, ERROR_INVALID_PARAMETER},  // mirrored
      {0, 2, 1, -2, ERROR_INVALID_PARAMETER},  // mirrored source
      {0, 0, 0, 2, ERROR_INVALID_PARAMETER},   // empty
      {-1, 2, 0, 2, ERROR_NOT_SUPPORTED},      // reaching past the destination
      {0, 2, 1, 2, ERROR_NOT_SUPPORTED},       // reaching past the source
  };
  for (const Request& r : refused) {
    SetLastError(0);
    EXPECT_FALSE(StretchBlt(s.destDc, r.destX, 0, r.destWidth, 2, s.srcDc, r.srcX, 0, r.srcWidth, 2, SRCCOPY));
    EXPECT_EQ(r.error, GetLastError()) << r.destX << " " << r.destWidth << " " << r.srcX << " " << r.srcWidth;
  }
  EXPECT_FALSE(StretchBlt(s.destDc, 0, 0, 2, 2, s.srcDc, 0, 0, 2, 2, 0x00EE0086));  // SRCPAINT
  EXPECT_FALSE(StretchBlt(s.destDc, 0, 0, 2, 2, s.destDc, 0, 0, 2, 2, SRCCOPY));    // one bitmap
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
  // Blending stretch modes are not carried out.
  EXPECT_EQ(COLORONCOLOR, SetStretchBltMode(s.destDc, HALFTONE));
  EXPECT_FALSE(s.run(2, 2, 2, 2));
  EXPECT_EQ(HALFTONE, SetStretchBltMode(s.destDc, COLORONCOLOR));
  EXPECT_EQ(0x44, s.dest.bits[0]);
  // Contexts that are not memory contexts holding a bitmap.
  EXPECT_FALSE(StretchBlt(s.destDc, 0, 0, 2, 2, s.screen, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_FALSE(StretchBlt(s.screen, 0, 0, 2, 2, s.srcDc, 0, 0, 2, 2, SRCCOPY));
  int notADc = 0;
  EXPECT_FALSE(StretchBlt(reinterpret_cast<HDC>(&notADc), 0, 0, 2, 2, s.srcDc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_TRUE(s.run(2, 2, 2, 2));
}

TEST(WinGdiStretch, RefusesToConvertBetweenFormats) {
  std::vector<RGBQUAD> other = grey256();
  other[7].rgbRed = 1;
  {
    Stretch s(makeSection(2, 2, 8, grey256()), makeSection(2, 2, 24));
    EXPECT_FALSE(s.run(2, 2, 2, 2));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
  }
  Stretch s(makeSection(2, 2, 8, grey256()), makeSection(2, 2, 8, other));
  EXPECT_FALSE(s.run(2, 2, 2, 2));
  // Only the colours count: the unused fourth byte of an entry may differ.
  std::vector<RGBQUAD> marked = grey256();
  marked[3].rgbReserved = 9;
  Stretch same(makeSection(2, 2, 8, grey256()), makeSection(2, 2, 8, marked));
  EXPECT_TRUE(same.run(2, 2, 2, 2));
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
