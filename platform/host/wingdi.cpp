// The graphics stand-ins: DIB sections as plain zero-filled memory with the
// platform's row layout (rows of whole 32-bit words, bottom-up unless the
// height is negative), memory device contexts that hold one bitmap at a time,
// and StretchBlt as a selecting stretch: every destination pixel takes the
// value of exactly one source pixel, the one under the centre of the
// destination pixel when the source rectangle is laid over the destination
// rectangle. Pixels are never blended, whatever the stretch mode. Handles are
// checked against the live objects, so a stale or foreign handle fails
// instead of being followed.
#include "platform/host/wingdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

namespace {

// Sections larger than this are refused, as a 32-bit process would refuse them.
constexpr uint64_t kMaxSectionBytes = 0x7FFFFFFFu;

struct GdiBitmap {
  int32_t width = 0;
  int32_t height = 0;  // rows, always positive
  bool topDown = false;
  int bitCount = 0;
  size_t stride = 0;
  uint8_t* bits = nullptr;
  std::vector<RGBQUAD> colours;  // for 1, 4 and 8 bits per pixel
  struct GdiDc* selectedInto = nullptr;
  bool stock = false;
};

struct GdiDc {
  bool memory = false;  // false: the screen's context from GetDC
  GdiBitmap* bitmap = nullptr;
  int stretchMode = BLACKONWHITE;
};

struct Registry {
  std::mutex lock;
  std::unordered_set<const void*> dcs;
  std::unordered_set<const void*> bitmaps;
  uint8_t stockBits[4] = {0, 0, 0, 0};
  GdiBitmap stock;

  Registry() {
    // The default bitmap of every new memory context: 1 x 1, monochrome.
    stock.width = 1;
    stock.height = 1;
    stock.bitCount = 1;
    stock.stride = 4;
    stock.bits = stockBits;
    stock.colours = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    stock.stock = true;
    bitmaps.insert(&stock);
  }
};

Registry& registry() {
  static Registry instance;
  return instance;
}

GdiDc* findDc(Registry& reg, HDC dc) {
  if (!dc || !reg.dcs.count(dc)) return nullptr;
  return reinterpret_cast<GdiDc*>(dc);
}

GdiBitmap* findBitmap(Registry& reg, const void* object) {
  if (!object || !reg.bitmaps.count(object)) return nullptr;
  return static_cast<GdiBitmap*>(const_cast<void*>(object));
}

void freeBitmap(Registry& reg, GdiBitmap* bitmap) {
  reg.bitmaps.erase(bitmap);
  std::free(bitmap->bits);
  delete bitmap;
}

// Pixel values as stored: a colour index for 1, 4 and 8 bits, 5-5-5 for 16
// bits, 0x00RRGGBB for 24 and 32 bits (stored blue, green, red).
uint32_t readPixel(int bitCount, const uint8_t* row, int32_t x) {
  const size_t ux = static_cast<size_t>(x);
  switch (bitCount) {
    case 1:
      return (row[ux >> 3] >> (7 - (ux & 7))) & 1u;
    case 4:
      return (row[ux >> 1] >> ((ux & 1) ? 0 : 4)) & 0xFu;
    case 8:
      return row[ux];
    case 16:
      return row[2 * ux] | (uint32_t(row[2 * ux + 1]) << 8);
    case 24:
      return row[3 * ux] | (uint32_t(row[3 * ux + 1]) << 8) | (uint32_t(row[3 * ux + 2]) << 16);
    default:
      return row[4 * ux] | (uint32_t(row[4 * ux + 1]) << 8) | (uint32_t(row[4 * ux + 2]) << 16);
  }
}

void writePixel(int bitCount, uint8_t* row, int32_t x, uint32_t value) {
  const size_t ux = static_cast<size_t>(x);
  switch (bitCount) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80u >> (ux & 7));
      row[ux >> 3] = static_cast<uint8_t>((value & 1) ? (row[ux >> 3] | bit) : (row[ux >> 3] & ~bit));
      return;
    }
    case 4: {
      uint8_t& byte = row[ux >> 1];
      byte = (ux & 1) ? static_cast<uint8_t>((byte & 0xF0) | (value & 0x0F))
                      : static_cast<uint8_t>((byte & 0x0F) | ((value & 0x0F) << 4));
      return;
    }
    case 8:
      row[ux] = static_cast<uint8_t>(value);
      return;
    case 16:
      row[2 * ux] = static_cast<uint8_t>(value);
      row[2 * ux + 1] = static_cast<uint8_t>(value >> 8);
      return;
    case 24:
      row[3 * ux] = static_cast<uint8_t>(value);
      row[3 * ux + 1] = static_cast<uint8_t>(value >> 8);
      row[3 * ux + 2] = static_cast<uint8_t>(value >> 16);
      return;
    default:
      row[4 * ux] = static_cast<uint8_t>(value);
      row[4 * ux + 1] = static_cast<uint8_t>(value >> 8);
      row[4 * ux + 2] = static_cast<uint8_t>(value >> 16);
      row[4 * ux + 3] = 0;
      return;
  }
}

// The colour (0x00RRGGBB) a stored value shows; an index past the colour
// table shows black.
uint32_t colourOf(const GdiBitmap& bitmap, uint32_t value) {
  if (bitmap.bitCount <= 8) {
    if (value >= bitmap.colours.size()) return 0;
    const RGBQUAD& c = bitmap.colours[value];
    return (uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
  }
  if (bitmap.bitCount == 16) {
    // 5 bits per channel widened to 8 by repeating the top bits.
    const uint32_t r = (value >> 10) & 31, g = (value >> 5) & 31, b = value & 31;
    return (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
  }
  return value & 0xFFFFFFu;
}

// The stored value that shows `colour` best: the nearest table entry for
// palette bitmaps (first of equals), the colour itself otherwise.
uint32_t valueFor(const GdiBitmap& bitmap, uint32_t colour) {
  const int r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
  if (bitmap.bitCount <= 8) {
    uint32_t best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < bitmap.colours.size(); ++i) {
      const RGBQUAD& c = bitmap.colours[i];
      const long dr = c.rgbRed - r, dg = c.rgbGreen - g, db = c.rgbBlue - b;
      const long distance = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || distance < bestDistance) {
        bestDistance = distance;
        best = static_cast<uint32_t>(i);
        if (distance == 0) break;
      }
    }
    return best;
  }
  if (bitmap.bitCount == 16) return uint32_t((r >> 3) << 10) | uint32_t((g >> 3) << 5) | uint32_t(b >> 3);
  return colour;
}

bool sameTables(const GdiBitmap& a, const GdiBitmap& b) {
  if (a.colours.size() != b.colours.size()) return false;
  for (size_t i = 0; i < a.colours.size(); ++i) {
    const RGBQUAD &x = a.colours[i], &y = b.colours[i];
    if (x.rgbRed != y.rgbRed || x.rgbGreen != y.rgbGreen || x.rgbBlue != y.rgbBlue) return false;
  }
  return true;
}

// One axis of the stretch: destination positions start..start+|extent|-1
// take source positions through the centre of each destination pixel. A
// negative extent runs from its position backwards, the position included
// (x, x-1, ..., x+extent+1), and mirrors against a positive one.
struct Axis {
  int64_t destStart, destCount, srcStart, srcCount;
  bool mirror;

  Axis(int destPos, int destExtent, int srcPos, int srcExtent) {
    destCount = destExtent < 0 ? -int64_t(destExtent) : destExtent;
    destStart = destExtent < 0 ? int64_t(destPos) + destExtent + 1 : destPos;
    srcCount = srcExtent < 0 ? -int64_t(srcExtent) : srcExtent;
    srcStart = srcExtent < 0 ? int64_t(srcPos) + srcExtent + 1 : srcPos;
    mirror = (destExtent < 0) != (srcExtent < 0);
  }
  // Source position for the i-th destination pixel (0 <= i < destCount).
  // (2i + 1) * srcCount stays below 2^63 for any 32-bit extents.
  int64_t source(int64_t i) const {
    int64_t j = ((2 * i + 1) * srcCount) / (2 * destCount);
    if (mirror) j = srcCount - 1 - j;
    return srcStart + j;
  }
};

size_t memoryRow(const GdiBitmap& bitmap, int64_t y) {
  return static_cast<size_t>(bitmap.topDown ? y : bitmap.height - 1 - y);
}

}  // namespace

extern "C" {

HDC WINAPI GetDC(HWND window) {
  if (window) return nullptr;  // there are no windows here
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiDc* dc = new (std::nothrow) GdiDc;
  if (!dc) return nullptr;
  reg.dcs.insert(dc);
  return reinterpret_cast<HDC>(dc);
}

int WINAPI ReleaseDC(HWND /*window*/, HDC dcHandle) {
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiDc* dc = findDc(reg, dcHandle);
  if (!dc || dc->memory) return 0;
  reg.dcs.erase(dc);
  delete dc;
  return 1;
}

HDC WINAPI CreateCompatibleDC(HDC reference) {
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  if (reference && !findDc(reg, reference)) return nullptr;
  GdiDc* dc = new (std::nothrow) GdiDc;
  if (!dc) return nullptr;
  dc->memory = true;
  dc->bitmap = &reg.stock;
  reg.dcs.insert(dc);
  return reinterpret_cast<HDC>(dc);
}

BOOL WINAPI DeleteDC(HDC dcHandle) {
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiDc* dc = findDc(reg, dcHandle);
  if (!dc || !dc->memory) return FALSE;  // the screen's context goes back by ReleaseDC
  if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->selectedInto = nullptr;
  reg.dcs.erase(dc);
  delete dc;
  return TRUE;
}

HBITMAP WINAPI CreateDIBSection(HDC dcHandle, const BITMAPINFO* info, UINT usage, void** bits,
                                HANDLE section, DWORD /*offset*/) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section) return nullptr;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biSize != 40 && header.biSize != 108 && header.biSize != 124) return nullptr;
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biPlanes != 1) return nullptr;
  if (header.biCompression != BI_RGB) return nullptr;
  const int bitCount = header.biBitCount;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return nullptr;

  // Rows are whole 32-bit words: ((bits * width + 31) / 32) * 4 bytes.
  const uint64_t stride = (uint64_t(bitCount) * uint64_t(header.biWidth) + 31) / 32 * 4;
  const uint64_t rows = header.biHeight < 0 ? uint64_t(-int64_t(header.biHeight)) : uint64_t(header.biHeight);
  if (stride > kMaxSectionBytes || rows > kMaxSectionBytes / stride) return nullptr;

  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  if (dcHandle && !findDc(reg, dcHandle)) return nullptr;
  GdiBitmap* bitmap = new (std::nothrow) GdiBitmap;
  if (!bitmap) return nullptr;
  bitmap->bits = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(stride * rows), 1));
  if (!bitmap->bits) {
    delete bitmap;
    return nullptr;
  }
  bitmap->width = header.biWidth;
  bitmap->height = static_cast<int32_t>(rows);
  bitmap->topDown = header.biHeight < 0;
  bitmap->bitCount = bitCount;
  bitmap->stride = static_cast<size_t>(stride);
  if (bitCount <= 8) {
    // biClrUsed entries (all the depth allows when 0 or too many) follow the header.
    const uint32_t most = 1u << bitCount;
    const uint32_t used = header.biClrUsed == 0 || header.biClrUsed > most ? most : header.biClrUsed;
    const RGBQUAD* table =
        reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + header.biSize);
    try {
      bitmap->colours.assign(table, table + used);
    } catch (...) {
      std::free(bitmap->bits);
      delete bitmap;
      return nullptr;
    }
  }
  reg.bitmaps.insert(bitmap);
  if (bits) *bits = bitmap->bits;
  return reinterpret_cast<HBITMAP>(bitmap);
}

HGDIOBJ WINAPI SelectObject(HDC dcHandle, HGDIOBJ object) {
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiDc* dc = findDc(reg, dcHandle);
  GdiBitmap* bitmap = findBitmap(reg, object);
  if (!dc || !dc->memory || !bitmap) return nullptr;
  if (!bitmap->stock && bitmap->selectedInto && bitmap->selectedInto != dc)
    return nullptr;  // a bitmap lives in one context at a time
  GdiBitmap* previous = dc->bitmap;
  if (previous && !previous->stock) previous->selectedInto = nullptr;
  dc->bitmap = bitmap;
  if (!bitmap->stock) bitmap->selectedInto = dc;
  return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiBitmap* bitmap = findBitmap(reg, object);
  if (!bitmap) return FALSE;
  if (bitmap->stock) return TRUE;  // the default bitmap outlives every request
  if (bitmap->selectedInto) return FALSE;
  freeBitmap(reg, bitmap);
  return TRUE;
}

int WINAPI SetStretchBltMode(HDC dcHandle, int mode) {
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiDc* dc = findDc(reg, dcHandle);
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  const int previous = dc->stretchMode;
  dc->stretchMode = mode;
  return previous;
}

int WINAPI GetStretchBltMode(HDC dcHandle) {
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiDc* dc = findDc(reg, dcHandle);
  return dc ? dc->stretchMode : 0;
}

BOOL WINAPI StretchBlt(HDC destDc, int destX, int destY, int destWidth, int destHeight,
                       HDC srcDc, int srcX, int srcY, int srcWidth, int srcHeight, DWORD rop) {
  if (rop != SRCCOPY) return FALSE;
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiDc* destination = findDc(reg, destDc);
  GdiDc* source = findDc(reg, srcDc);
  if (!destination || !source || !destination->memory || !source->memory) return FALSE;
  // An empty rectangle on either side draws nothing, which is no failure.
  if (destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return TRUE;
  GdiBitmap& to = *destination->bitmap;
  const GdiBitmap& from = *source->bitmap;

  const Axis columns(destX, destWidth, srcX, srcWidth);
  const Axis lines(destY, destHeight, srcY, srcHeight);

  // Only destination pixels inside the bitmap are visited; a column or line
  // whose source lies outside the source bitmap is left as it was.
  const int64_t firstColumn = std::max<int64_t>(0, -columns.destStart);
  const int64_t endColumn = std::min<int64_t>(columns.destCount, to.width - columns.destStart);
  const int64_t firstLine = std::max<int64_t>(0, -lines.destStart);
  const int64_t endLine = std::min<int64_t>(lines.destCount, to.height - lines.destStart);
  if (firstColumn >= endColumn || firstLine >= endLine) return TRUE;

  std::vector<int32_t> sourceColumn;  // -1: outside the source
  try {
    sourceColumn.resize(static_cast<size_t>(endColumn - firstColumn));
  } catch (...) {
    return FALSE;
  }
  for (int64_t i = firstColumn; i < endColumn; ++i) {
    const int64_t x = columns.source(i);
    sourceColumn[static_cast<size_t>(i - firstColumn)] =
        (x < 0 || x >= from.width) ? -1 : static_cast<int32_t>(x);
  }

  // A stretch within one bitmap reads from a copy of it.
  const uint8_t* fromPixels = from.bits;
  std::vector<uint8_t> snapshot;
  if (&from == &to) {
    try {
      snapshot.assign(from.bits, from.bits + from.stride * static_cast<size_t>(from.height));
    } catch (...) {
      return FALSE;
    }
    fromPixels = snapshot.data();
  }

  // Equal formats copy stored values; others go through the colour.
  const bool sameFormat = from.bitCount == to.bitCount && (from.bitCount > 8 || sameTables(from, to));
  uint32_t indexMap[256];
  if (!sameFormat && from.bitCount <= 8) {
    for (uint32_t v = 0; v < (1u << from.bitCount); ++v) indexMap[v] = valueFor(to, colourOf(from, v));
  }
  uint32_t lastColour = 0, lastValue = valueFor(to, 0);

  // The copy loops take the formats as locals: the pixel writes could
  // otherwise alias the bitmap descriptions and force reloads per pixel.
  const int fromBits = from.bitCount, toBits = to.bitCount;
  const bool copyBytes = sameFormat && toBits >= 8;
  const size_t pixelBytes = static_cast<size_t>(toBits / 8);
  const int32_t firstDest = static_cast<int32_t>(columns.destStart + firstColumn);
  const size_t columnCount = sourceColumn.size();
  const int32_t* map = sourceColumn.data();
  int64_t previousSource = -1;
  const uint8_t* previousRow = nullptr;
  // Whole bytes, every column inside the source: a line's span can be copied.
  bool wholeSpan = toBits >= 8;
  for (size_t i = 0; i < columnCount && wholeSpan; ++i) wholeSpan = map[i] >= 0;
  const size_t spanStart = pixelBytes * static_cast<size_t>(firstDest);
  const size_t spanBytes = pixelBytes * columnCount;

  for (int64_t line = firstLine; line < endLine; ++line) {
    const int64_t sy = lines.source(line);
    if (sy < 0 || sy >= from.height) continue;
    uint8_t* destRow = to.bits + memoryRow(to, lines.destStart + line) * to.stride;
    // A line that repeats the line before (enlarging) gets the same bytes.
    if (sy == previousSource && wholeSpan) {
      std::memcpy(destRow + spanStart, previousRow + spanStart, spanBytes);
      continue;
    }
    const uint8_t* srcRow = fromPixels + memoryRow(from, sy) * from.stride;
    if (copyBytes && pixelBytes == 1) {
      for (size_t i = 0; i < columnCount; ++i)
        if (map[i] >= 0) destRow[firstDest + static_cast<int32_t>(i)] = srcRow[map[i]];
    } else if (copyBytes) {
      for (size_t i = 0; i < columnCount; ++i)
        if (map[i] >= 0)
          std::memcpy(destRow + pixelBytes * (static_cast<size_t>(firstDest) + i),
                      srcRow + pixelBytes * static_cast<size_t>(map[i]), pixelBytes);
    } else {
      for (size_t i = 0; i < columnCount; ++i) {
        if (map[i] < 0) continue;
        uint32_t value = readPixel(fromBits, srcRow, map[i]);
        if (!sameFormat) {
          if (fromBits <= 8) {
            value = indexMap[value];
          } else {
            const uint32_t colour = colourOf(from, value);
            if (colour != lastColour) {
              lastColour = colour;
              lastValue = valueFor(to, colour);
            }
            value = lastValue;
          }
        }
        writePixel(toBits, destRow, firstDest + static_cast<int32_t>(i), value);
      }
    }
    previousSource = sy;
    previousRow = destRow;
  }
  return TRUE;
}

BOOL WINAPI GdiFlush(void) { return TRUE; }

}  // extern "C"
