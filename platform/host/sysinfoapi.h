// The platform version and the Windows directory on Linux.
//
// GetVersionExA answers as the newest release of the NT family that the
// system knows by number: Windows 10 (platform 2, version 10.0, build 19045).
// GetWindowsDirectoryW answers "/usr/share": the folder that holds the shared
// fonts folder on Linux, so the fonts directory below it, with the Linux
// separator and folder name ZOLM_FONTS_SUBDIRECTORY, is /usr/share/fonts, where
// the machine's fonts are installed.
#pragma once

#include "platform/host/wintypes.h"

#define VER_PLATFORM_WIN32_NT 2

// The fonts folder below the Windows directory, with its separator.
#define ZOLM_FONTS_SUBDIRECTORY u"/fonts"

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
typedef OSVERSIONINFOA* LPOSVERSIONINFOA;
static_assert(sizeof(OSVERSIONINFOA) == 148, "the platform's layout");

extern "C" {

// FALSE unless the size field names the structure.
ZOLMPLATFORM_API BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);

// The directory's length without its terminator; when uSize is too small,
// the size needed with the terminator, and nothing written.
ZOLMPLATFORM_API UINT WINAPI GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize);

}  // extern "C"
