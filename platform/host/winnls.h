// The 8-bit text services on Linux. The host's ANSI code page is UTF-8
// (65001): GetACP answers it, the locale's default ANSI code page is it, and
// CP_THREAD_ACP and CP_UTF8 both convert as UTF-8. CharNextA steps over
// one whole UTF-8 sequence; UTF-8 has no double-byte lead bytes, so
// IsDBCSLeadByte is always false, as it is on the platform for that code page.
// lstrcmpiA compares without regard to ASCII case.
#pragma once

#include "platform/host/wintypes.h"

typedef DWORD LCTYPE;

#define CP_THREAD_ACP 3
#define CP_UTF8 65001

#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004

#define ERROR_INVALID_FLAGS 1004L

extern "C" {
// The character after p; p itself at the terminator.
ZOLMPLATFORM_API LPSTR CharNextA(LPCSTR p);
ZOLMPLATFORM_API BOOL IsDBCSLeadByte(BYTE testChar);
// <0, 0 or >0 as a sorts before, with or after b, without regard to case.
ZOLMPLATFORM_API int lstrcmpiA(LPCSTR a, LPCSTR b);

ZOLMPLATFORM_API UINT GetACP(void);
ZOLMPLATFORM_API LCID GetThreadLocale(void);
ZOLMPLATFORM_API int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int capacity);

// Counts include the terminator when the source length is -1. A null
// destination or a capacity of 0 asks for the size needed.
ZOLMPLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source,
                                         int sourceLength, LPWSTR dest, int capacity);
ZOLMPLATFORM_API int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source,
                                         int sourceLength, LPSTR dest, int capacity,
                                         LPCSTR defaultChar, BOOL* usedDefaultChar);
}
