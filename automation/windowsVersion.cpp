// Windows version codes: a table from the platform's version report to the
// release it names. Only releases listed here have a code; for the NT line
// that ends with major version 10 (Windows 10 and later), while other
// combinations (5.2, 6.2, 6.3) have none and get 0.
#include "automation/windowsVersion.h"

#include "platform/sysinfoapi.h"

#include <cstring>

namespace {

constexpr DWORD kWindows9x = 1, kWindowsNT = 2, kWindowsCE = 3;

int windows9xCode(DWORD major, DWORD minor, DWORD build) {
  if (major != 4) return 0;
  if (minor < 10) {  // Windows 95 and its service releases
    if (build < 950) return 0;
    if (build == 950) return 1;
    return build <= 1080 ? 2 : 3;
  }
  if (minor == 10) {  // Windows 98 and its second edition
    if (build < 1998) return 0;
    if (build == 1998) return 4;
    return build <= 2182 ? 5 : 6;
  }
  return minor == 90 ? 7 : 0;  // Windows Me
}

int windowsNTCode(DWORD major, DWORD minor) {
  struct Release {
    DWORD major, minor;
    int code;
  };
  static const Release kReleases[] = {
      {3, 51, 101},  // Windows NT 3.51
      {4, 0, 102},   // Windows NT 4.0
      {5, 0, 103},   // Windows 2000
      {5, 1, 104},   // Windows XP
      {6, 0, 105},   // Windows Vista
      {6, 1, 106},   // Windows 7
  };
  if (major == 10) return 107;  // Windows 10, whatever the minor version
  for (const Release& r : kReleases)
    if (r.major == major && r.minor == minor) return r.code;
  return 0;
}

}  // namespace

int WindowsVersionCode(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
  build &= 0xFFFF;
  switch (platformId) {
    case kWindows9x: return windows9xCode(major, minor, build);
    case kWindowsNT: return windowsNTCode(major, minor);
    case kWindowsCE: return 201;
    default: return 0;
  }
}

int GetWindowsVersionCode() {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;  // 148
  if (!GetVersionExA(&info)) return 0;
  return WindowsVersionCode(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                            info.dwBuildNumber);
}
