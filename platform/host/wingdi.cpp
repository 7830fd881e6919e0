// The graphics stand-ins, as wide as the library's scaling needs them: DIB
// sections of 8 or 24 bits in plain zero-filled memory with the platform's
// row layout (rows of whole 32-bit words, the bottom row first), memory
// device contexts that hold one bitmap at a time, and StretchBlt as a
// selecting stretch between two sections of the same format: every
// destination pixel takes the value of exactly one source pixel, the one
// under the centre of the destination pixel when the source rectangle is
// laid over the destination rectangle. What the stand-ins cannot do (other
// depths, blending stretch modes, mirroring, clipping, a stretch within one
// bitmap, colour conversion) fails with the last error set, as the platform
// fails a request it cannot carry out. Handles are checked against the live
// objects, so a stale or foreign handle fails instead of being followed.
#include "platform/host/wingdi.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

#include "platform/host/fileapi.h"
#include "platform/host/memoryapi.h"

namespace {

// Sections larger than this are refused, as a 32-bit process would refuse them.
constexpr uint64_t kMaxSectionBytes = 0x7FFFFFFFu;

struct GdiBitmap {
  int32_t width = 0;
  int32_t height = 0;
  int bitCount = 0;
  size_t stride = 0;
  uint8_t* bits = nullptr;
  std::vector<RGBQUAD> colours;  // 8 bits per pixel only
  struct GdiDc* selectedInto = nullptr;
  bool stock = false;
  bool borrowed = false;  // memory rows the section's creator owns
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
  GdiBitmap stock;  // every new memory context's default bitmap: 1 x 1, monochrome

  Registry() {
    stock.width = 1;
    stock.height = 1;
    stock.bitCount = 1;
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
  if (bitmap->bits && !bitmap->borrowed) VirtualFree(bitmap->bits, 0, MEM_RELEASE);
  delete bitmap;
}

template <typename T>
T failWith(DWORD error, T result) {
  SetLastError(error);
  return result;
}

bool sameColours(const GdiBitmap& a, const GdiBitmap& b) {
  if (a.colours.size() != b.colours.size()) return false;
  for (size_t i = 0; i < a.colours.size(); ++i) {
    const RGBQUAD &x = a.colours[i], &y = b.colours[i];
    if (x.rgbRed != y.rgbRed || x.rgbGreen != y.rgbGreen || x.rgbBlue != y.rgbBlue) return false;
  }
  return true;
}

// The source position under the centre of each of `count` destination
// positions, as byte offsets of `unit` bytes each; (2i + 1) * from stays
// below 2^63 for any 32-bit extents.
bool sourceMap(std::vector<size_t>& map, int64_t from, int64_t count, size_t unit) {
  try {
    map.resize(static_cast<size_t>(count));
  } catch (...) {
    return false;
  }
  for (int64_t i = 0; i < count; ++i)
    map[static_cast<size_t>(i)] = static_cast<size_t>(((2 * i + 1) * from) / (2 * count)) * unit;
  return true;
}

// Inside the bitmap: the rectangle x..x+width-1, y..y+height-1 (positive extents).
bool inside(const GdiBitmap& bitmap, int x, int y, int width, int height) {
  return x >= 0 && y >= 0 && int64_t{x} + width <= bitmap.width && int64_t{y} + height <= bitmap.height;
}

// The memory of row y counted from the top of the bitmap (rows run bottom-up).
uint8_t* rowOf(const GdiBitmap& bitmap, int64_t y) {
  return bitmap.bits + static_cast<size_t>(bitmap.height - 1 - y) * bitmap.stride;
}

}  // namespace

extern "C" {

HDC WINAPI GetDC(HWND window) {
  if (window) return failWith<HDC>(ERROR_INVALID_HANDLE, nullptr);  // there are no windows here
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiDc* dc = new (std::nothrow) GdiDc;
  if (!dc) return failWith<HDC>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
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
  if (reference && !findDc(reg, reference)) return failWith<HDC>(ERROR_INVALID_HANDLE, nullptr);
  GdiDc* dc = new (std::nothrow) GdiDc;
  if (!dc) return failWith<HDC>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
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

namespace {

// A section as `info` describes it, over `given` rows `givenStride` bytes
// apart, or, with none given, over new memory of the platform's layout.
HBITMAP newSection(HDC dcHandle, const BITMAPINFO* info, uint8_t* given, size_t givenStride) {
  if (!info) return failWith<HBITMAP>(ERROR_INVALID_PARAMETER, nullptr);
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biSize != sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biHeight <= 0 ||
      header.biPlanes != 1 || header.biCompression != BI_RGB)
    return failWith<HBITMAP>(ERROR_INVALID_PARAMETER, nullptr);
  const int bitCount = header.biBitCount;
  if (bitCount != 8 && bitCount != 24) return failWith<HBITMAP>(ERROR_NOT_SUPPORTED, nullptr);

  // Rows are whole 32-bit words: ((bits * width + 31) / 32) * 4 bytes.
  const uint64_t stride = (uint64_t(bitCount) * uint64_t(header.biWidth) + 31) / 32 * 4;
  const uint64_t rows = uint64_t(header.biHeight);
  if (stride > kMaxSectionBytes || rows > kMaxSectionBytes / stride)
    return failWith<HBITMAP>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
  if (given && givenStride < uint64_t(bitCount / 8) * uint64_t(header.biWidth))
    return failWith<HBITMAP>(ERROR_INVALID_PARAMETER, nullptr);

  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  if (dcHandle && !findDc(reg, dcHandle)) return failWith<HBITMAP>(ERROR_INVALID_HANDLE, nullptr);
  GdiBitmap* bitmap = new (std::nothrow) GdiBitmap;
  if (!bitmap) return failWith<HBITMAP>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
  // Whole pages that read as zero until written, large pages for large
  // sections: the stretch writes every byte of the destination once.
  bitmap->borrowed = given != nullptr;
  bitmap->bits = given ? given
                       : static_cast<uint8_t*>(VirtualAlloc(nullptr, static_cast<SIZE_T>(stride * rows),
                                                            MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!bitmap->bits) {
    delete bitmap;
    return failWith<HBITMAP>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
  }
  bitmap->width = header.biWidth;
  bitmap->height = header.biHeight;
  bitmap->bitCount = bitCount;
  bitmap->stride = given ? givenStride : static_cast<size_t>(stride);
  if (bitCount == 8) {
    // biClrUsed entries (256 when 0 or too many) follow the header.
    const uint32_t used = header.biClrUsed == 0 || header.biClrUsed > 256 ? 256 : header.biClrUsed;
    const RGBQUAD* table = info->bmiColors;
    try {
      bitmap->colours.assign(table, table + used);
    } catch (...) {
      freeBitmap(reg, bitmap);
      return failWith<HBITMAP>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    }
  }
  reg.bitmaps.insert(bitmap);
  return reinterpret_cast<HBITMAP>(bitmap);
}

}  // namespace

HBITMAP WINAPI CreateDIBSection(HDC dcHandle, const BITMAPINFO* info, UINT usage, void** bits,
                                HANDLE section, DWORD /*offset*/) {
  if (bits) *bits = nullptr;
  if (usage != DIB_RGB_COLORS || section) return failWith<HBITMAP>(ERROR_INVALID_PARAMETER, nullptr);
  HBITMAP made = newSection(dcHandle, info, nullptr, 0);
  if (made && bits) *bits = reinterpret_cast<GdiBitmap*>(made)->bits;
  return made;
}

HBITMAP WINAPI hostSectionOverRows(const BITMAPINFO* info, void* firstRow, size_t stride) {
  if (!firstRow) return failWith<HBITMAP>(ERROR_INVALID_PARAMETER, nullptr);
  return newSection(nullptr, info, static_cast<uint8_t*>(firstRow), stride);
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
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return failWith(ERROR_INVALID_PARAMETER, 0);
  const int previous = dc->stretchMode;
  dc->stretchMode = mode;
  return previous;
}

BOOL WINAPI StretchBlt(HDC destDc, int destX, int destY, int destWidth, int destHeight,
                       HDC srcDc, int srcX, int srcY, int srcWidth, int srcHeight, DWORD rop) {
  Registry& reg = registry();
  std::lock_guard<std::mutex> guard(reg.lock);
  GdiDc* destination = findDc(reg, destDc);
  GdiDc* source = findDc(reg, srcDc);
  if (!destination || !source || !destination->memory || !source->memory)
    return failWith(ERROR_INVALID_HANDLE, FALSE);
  if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0)
    return failWith(ERROR_INVALID_PARAMETER, FALSE);
  const GdiBitmap& to = *destination->bitmap;
  const GdiBitmap& from = *source->bitmap;
  if (rop != SRCCOPY || destination->stretchMode != COLORONCOLOR || &from == &to || to.stock ||
      from.bitCount != to.bitCount || !sameColours(from, to) ||
      !inside(to, destX, destY, destWidth, destHeight) || !inside(from, srcX, srcY, srcWidth, srcHeight))
    return failWith(ERROR_NOT_SUPPORTED, FALSE);

  // The column map is worked out once; each line then only looks it up.
  const size_t pixelBytes = static_cast<size_t>(to.bitCount / 8);
  std::vector<size_t> columns;
  if (!sourceMap(columns, srcWidth, destWidth, pixelBytes)) return failWith(ERROR_NOT_ENOUGH_MEMORY, FALSE);
  const size_t count = columns.size();
  const size_t* map = columns.data();
  const size_t fromStart = static_cast<size_t>(srcX) * pixelBytes;
  const size_t toStart = static_cast<size_t>(destX) * pixelBytes;
  const size_t spanBytes = count * pixelBytes;
  const bool bytePixels = pixelBytes == 1;
  const size_t lastColumn = static_cast<size_t>(srcWidth - 1) * pixelBytes;
  size_t wideCount = 0;
  while (wideCount + 1 < count && map[wideCount] < lastColumn) ++wideCount;
  int64_t previousSource = -1;
  const uint8_t* previousRow = nullptr;
  for (int64_t line = 0; line < destHeight; ++line) {
    const int64_t sy = srcY + ((2 * line + 1) * srcHeight) / (2 * int64_t{destHeight});
    uint8_t* out = rowOf(to, destY + line) + toStart;
    // A line that repeats the source line before (enlarging) gets the same bytes.
    if (sy == previousSource) {
      std::memcpy(out, previousRow, spanBytes);
      continue;
    }
    const uint8_t* in = rowOf(from, sy) + fromStart;
    if (bytePixels) {
      for (size_t i = 0; i < count; ++i) out[i] = in[map[i]];
    } else {
      // A pixel moves in one 4-byte copy whose fourth byte the next pixel
      // overwrites; pixels from the last source column, whose fourth byte
      // may lie past the bitmap, and the last destination pixel go by 3.
      size_t i = 0;
      for (; i < wideCount; ++i) std::memcpy(out + 3 * i, in + map[i], 4);
      for (; i < count; ++i) std::memcpy(out + 3 * i, in + map[i], 3);
    }
    previousSource = sy;
    previousRow = out;
  }
  return TRUE;
}

BOOL WINAPI GdiFlush(void) { return TRUE; }

}  // extern "C"
