// The graphics calls of the platform on Linux: device contexts, device-
// independent bitmaps (DIB sections) in plain memory and a selecting stretch
// between them, with the platform's names, types, layouts and results. There
// is no screen to draw on: the screen's context exists only as the reference
// from which memory contexts are made.
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

// Stretch modes; the stand-in selects pixels in every mode (it never blends).
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

#define SRCCOPY ((DWORD)0x00CC0020)

extern "C" {
// The screen's context for a null window; no other window exists here.
ZOLMPLATFORM_API HDC WINAPI GetDC(HWND window);
ZOLMPLATFORM_API int WINAPI ReleaseDC(HWND window, HDC dc);
// A memory context holding the platform's 1 x 1 monochrome default bitmap.
ZOLMPLATFORM_API HDC WINAPI CreateCompatibleDC(HDC dc);
ZOLMPLATFORM_API BOOL WINAPI DeleteDC(HDC dc);
// Uncompressed sections of 1, 4, 8, 16, 24 or 32 bits per pixel described by
// a 40-, 108- or 124-byte header; DIB_RGB_COLORS only, no file mapping.
ZOLMPLATFORM_API HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage,
                                                 void** bits, HANDLE section, DWORD offset);
ZOLMPLATFORM_API HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
ZOLMPLATFORM_API BOOL WINAPI DeleteObject(HGDIOBJ object);
ZOLMPLATFORM_API int WINAPI SetStretchBltMode(HDC dc, int mode);
ZOLMPLATFORM_API int WINAPI GetStretchBltMode(HDC dc);
// SRCCOPY only; negative extents mirror, as on the platform.
ZOLMPLATFORM_API BOOL WINAPI StretchBlt(HDC destDc, int destX, int destY, int destWidth,
                                        int destHeight, HDC srcDc, int srcX, int srcY,
                                        int srcWidth, int srcHeight, DWORD rop);
ZOLMPLATFORM_API BOOL WINAPI GdiFlush(void);
}
