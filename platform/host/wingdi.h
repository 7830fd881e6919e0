// The graphics calls of the platform on Linux, as far as the library's
// scaling uses them: device contexts, device-independent bitmaps (DIB
// sections) of 8 and 24 bits in plain memory and a selecting stretch between
// two of the same format, with the platform's names, types, layouts and
// results. There is no screen to draw on: the screen's context exists only as
// the reference from which memory contexts are made.
#pragma once

#include "platform/host/wintypes.h"

typedef struct HWND__* HWND;
typedef struct HDC__* HDC;
typedef struct HBITMAP__* HBITMAP;
typedef void* HGDIOBJ;

// The bitmap description block, in the platform's published layout.
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: rows in memory run from the bottom up
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the info header is 40 bytes");

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4, "a colour entry is 4 bytes");

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

#define BI_RGB 0L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

// Stretch modes; the stand-in stretches only in COLORONCOLOR, the one that
// selects pixels without blending.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

#define SRCCOPY ((DWORD)0x00CC0020)

extern "C" {
// The screen's context for a null window; no other window exists here.
ZOLMPLATFORM_API HDC WINAPI GetDC(HWND window);
ZOLMPLATFORM_API int WINAPI ReleaseDC(HWND window, HDC dc);
// A memory context holding the platform's 1 x 1 monochrome default bitmap.
ZOLMPLATFORM_API HDC WINAPI CreateCompatibleDC(HDC dc);
ZOLMPLATFORM_API BOOL WINAPI DeleteDC(HDC dc);
// Uncompressed bottom-up sections (positive width and height) of 8 or 24 bits
// per pixel described by a 40-byte header; DIB_RGB_COLORS only, no file
// mapping. Anything else: null, last error ERROR_NOT_SUPPORTED for another
// depth, ERROR_NOT_ENOUGH_MEMORY for more than 2 GiB or memory that cannot be
// had, ERROR_INVALID_PARAMETER otherwise.
ZOLMPLATFORM_API HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage,
                                                 void** bits, HANDLE section, DWORD offset);
// Not a call of the platform, whose sections lie only over memory of their
// own or a file mapping: here a section can lie over rows its creator holds
// and keeps until the section is deleted, memory row r at firstRow + r *
// stride, so that a picture is stretched without being copied first. The
// description and failures are CreateDIBSection's; a stride shorter than a
// row is ERROR_INVALID_PARAMETER.
ZOLMPLATFORM_API HBITMAP WINAPI hostSectionOverRows(const BITMAPINFO* info, void* firstRow, size_t stride);
ZOLMPLATFORM_API HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
ZOLMPLATFORM_API BOOL WINAPI DeleteObject(HGDIOBJ object);
ZOLMPLATFORM_API int WINAPI SetStretchBltMode(HDC dc, int mode);
// SRCCOPY in COLORONCOLOR between two different bitmaps of the same depth and
// colour table, positive extents, both rectangles inside their bitmaps.
// Anything else fails: ERROR_INVALID_HANDLE for a context that is not a
// memory context, ERROR_INVALID_PARAMETER for an extent of 0 or less (so
// also for mirroring), ERROR_NOT_SUPPORTED for the rest (clipping, blending,
// other raster operations, overlapping or converting copies).
ZOLMPLATFORM_API BOOL WINAPI StretchBlt(HDC destDc, int destX, int destY, int destWidth,
                                        int destHeight, HDC srcDc, int srcX, int srcY,
                                        int srcWidth, int srcHeight, DWORD rop);
ZOLMPLATFORM_API BOOL WINAPI GdiFlush(void);
}
