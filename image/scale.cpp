// cBitmapFile::scale: resizes the picture by handing its rows to the
// platform's graphics calls as a device-independent bitmap, letting the
// platform stretch it by selection (COLORONCOLOR: rows and columns are
// dropped or repeated, never blended) into a second bitmap of the new size,
// and keeping that bitmap as the new pixel store: its memory rows are the
// store's rows, so the stretched picture is not copied again. The store holds
// one byte per pixel (three for 24 bits) whatever the file's depth, so that
// is how the bitmaps are described: pictures of 1 and 4 bits are stretched
// as 8-bit palette pictures and keep their depth, colours and palette.
// The platform's stretch reads only its own sections, so on Windows the rows
// are copied into one first; the host's section lies over the store's rows.
#include "image/scale.h"

#include <cmath>
#include <cstring>
#include <new>

#include "image/bitmapFile.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "platform/wingdi.h"

bool imgScaledSize(int32_t width, int32_t height, float factor, int32_t* newWidth,
                   int32_t* newHeight) {
  if (!std::isfinite(factor)) return false;
  const double w = static_cast<double>(static_cast<uint32_t>(width)) * factor;
  const double h = static_cast<double>(static_cast<uint32_t>(height)) * factor;
  // Truncation gives at least 1 only from 1.0 up; the upper test keeps the
  // conversion to 32 bits defined.
  if (!(w >= 1.0) || !(h >= 1.0) || w >= 2147483648.0 || h >= 2147483648.0) return false;
  const int32_t wide = static_cast<int32_t>(w);
  const int32_t high = static_cast<int32_t>(h);
  if (int64_t{wide} * high > kImgMaxPixels) return false;
  *newWidth = wide;
  *newHeight = high;
  return true;
}

namespace {

// The bitmap description block: the 40-byte info header and room for the
// largest colour table. Entries past the palette's count stay black.
struct Description {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

void describe(Description& block, int32_t width, int32_t height, int32_t bitCount,
              const cPalette& palette) {
  std::memset(&block, 0, sizeof block);
  // 24-bit pictures need no table; 8-bit ones get at most 256 entries.
  uint32_t entries = 0;
  if (bitCount == 8 && palette.entries && palette.count > 0)
    entries = palette.count > 256 ? 256u : static_cast<uint32_t>(palette.count);
  block.header.biSize = sizeof(BITMAPINFOHEADER);
  block.header.biWidth = width;
  block.header.biHeight = height;  // positive: memory rows run bottom-up
  block.header.biPlanes = 1;
  block.header.biBitCount = static_cast<WORD>(bitCount);
  block.header.biCompression = BI_RGB;
  block.header.biClrUsed = entries;       // 0 for 8 bits: 256 (black) entries
  block.header.biClrImportant = entries;
  for (uint32_t i = 0; i < entries; ++i) {
    const uint8_t* rgb = palette.entries + 3 * static_cast<size_t>(i);
    block.colours[i].rgbRed = rgb[0];
    block.colours[i].rgbGreen = rgb[1];
    block.colours[i].rgbBlue = rgb[2];
  }
}

// Bytes of one bitmap row: bits rounded up to whole 32-bit words; 0 for a
// row no bitmap can have.
size_t bitmapStride(int32_t bitCount, int32_t width) {
  const int64_t bytes = imgPaddedRowBytes(width, bitCount, 4);
  return bytes < 0 ? 0 : static_cast<size_t>(bytes);
}

// A pixel store whose rows are the memory rows of a DIB section, which it
// owns: memory row r is store row r, as the stretch left it.
class cSectionStore : public cImgStore {
 public:
  cSectionStore(HBITMAP bitmap, void* bits, int32_t rowCount, int32_t width, int32_t bitsPerPixel)
      : cImgStore(rowCount, width, bitsPerPixel, static_cast<uint8_t*>(bits), bitmapStride(bitsPerPixel, width)),
        section(bitmap) {}
  ~cSectionStore() override {
    if (section) DeleteObject(section);
  }

 private:
  HBITMAP section;
};

#ifndef _WIN32
// The distance between the store's rows when each lies that far after the
// one before (rows in one block); 0 when they do not.
size_t evenRowSpacing(const cImgStore& store) {
  if (store.rowCount < 1 || !store.rows[0]) return 0;
  const size_t spacing =
      store.rowCount > 1 ? static_cast<size_t>(store.rows[1] - store.rows[0]) : static_cast<size_t>(store.rowBytes);
  for (int32_t r = 1; r < store.rowCount; ++r)
    if (store.rows[r] != store.rows[0] + spacing * static_cast<size_t>(r)) return 0;
  return spacing;
}
#endif

// The source section holding the picture: store row r in memory row r.
// `bits` is its memory, null when the section could not be made.
HBITMAP sourceSection(HDC dc, Description& block, const cImgStore& store, void** bits) {
#ifndef _WIN32
  // Here a section can lie over the store's own rows: nothing is copied.
  if (const size_t spacing = evenRowSpacing(store)) {
    HBITMAP over = hostSectionOverRows(reinterpret_cast<BITMAPINFO*>(&block), store.rows[0], spacing);
    *bits = over ? store.rows[0] : nullptr;
    return over;
  }
#endif
  HBITMAP section = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&block), DIB_RGB_COLORS, bits, nullptr, 0);
  if (section && *bits) {
    const size_t stride = bitmapStride(store.bitsPerPixel, store.width);
    for (int32_t r = 0; r < store.rowCount; ++r)
      std::memcpy(static_cast<uint8_t*>(*bits) + static_cast<size_t>(r) * stride, store.getRow(r),
                  static_cast<size_t>(store.rowBytes));
  }
  return section;
}

}  // namespace

int32_t cBitmapFile::scale(float factor) {
  if (!pixels || !pixels->palette || pixels->failed) return 0;
  int32_t newWidth = 0, newHeight = 0;
  if (!imgScaledSize(width, height, factor, &newWidth, &newHeight)) return 0;
  const int32_t bitCount = pixels->bitsPerPixel;
  if ((bitCount != 8 && bitCount != 24) || bitCount != 8 * bytesPerPixel) return 0;
  // The rows copied into the bitmap must be the picture's rows.
  if (pixels->rowCount != height || pixels->width != width) return 0;
  if (pixels->rowBytes < 0 || static_cast<size_t>(pixels->rowBytes) > bitmapStride(bitCount, width))
    return 0;

  Description* blocks = new (std::nothrow) Description[2];
  if (!blocks) return 0;
  Description& sourceBlock = blocks[0];
  Description& destBlock = blocks[1];
  describe(sourceBlock, width, height, bitCount, *pixels->palette);
  destBlock = sourceBlock;
  destBlock.header.biWidth = newWidth;
  destBlock.header.biHeight = newHeight;

  // Store row r goes to memory row r, the bottom row of the bitmap first;
  // the new store's row r is the destination's memory row r, which turns
  // the picture the right way up again.
  HDC screen = GetDC(nullptr);
  HDC sourceDc = screen ? CreateCompatibleDC(screen) : nullptr;
  void* sourceBits = nullptr;
  HBITMAP sourceBitmap = sourceDc ? sourceSection(sourceDc, sourceBlock, *pixels, &sourceBits) : nullptr;
  HDC destDc = sourceDc ? CreateCompatibleDC(sourceDc) : nullptr;
  void* destBits = nullptr;
  HBITMAP destBitmap = destDc ? CreateDIBSection(destDc, reinterpret_cast<BITMAPINFO*>(&destBlock),
                                                 DIB_RGB_COLORS, &destBits, nullptr, 0)
                              : nullptr;

  bool stretched = false;
  HGDIOBJ oldSource = nullptr, oldDest = nullptr;
  if (sourceBitmap && sourceBits && destBitmap && destBits) {
    oldSource = SelectObject(sourceDc, sourceBitmap);
    oldDest = SelectObject(destDc, destBitmap);
    stretched = oldSource && oldDest && SetStretchBltMode(destDc, COLORONCOLOR) &&
                StretchBlt(destDc, 0, 0, newWidth, newHeight, sourceDc, 0, 0, width, height, SRCCOPY);
    if (stretched) GdiFlush();  // the platform may still be drawing into the bitmap
  }

  // Every context and bitmap obtained goes back, on every path; the
  // destination bitmap only once nothing holds it any more, and not when it
  // has become the new store.
  if (oldSource) SelectObject(sourceDc, oldSource);
  if (oldDest) SelectObject(destDc, oldDest);
  cImgStore* store = nullptr;
  if (stretched) {
    // The new store is made before the old one goes, so that a picture
    // whose new store cannot be obtained stays as it was.
    store = new (std::nothrow) cSectionStore(destBitmap, destBits, newHeight, newWidth, bitCount);
    if (store) {
      destBitmap = nullptr;  // the store's now, also to give back
      if (store->failed) {
        delete store;
        store = nullptr;
      }
    }
  }
  const int32_t result = store ? 1 : 0;
  if (sourceBitmap) DeleteObject(sourceBitmap);
  if (destBitmap) DeleteObject(destBitmap);
  if (destDc) DeleteDC(destDc);
  if (sourceDc) DeleteDC(sourceDc);
  if (screen) ReleaseDC(nullptr, screen);
  delete[] blocks;

  if (!result) return 0;
  store->palette = pixels->palette;
  delete pixels;
  pixels = store;
  width = newWidth;
  height = newHeight;
  bytesPerLine = bytesPerPixel * newWidth;
  return 1;
}
