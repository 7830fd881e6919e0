// Version and Windows directory stand-ins on Linux; see sysinfoapi.h for the
// answers chosen and why.
#include "platform/host/sysinfoapi.h"

namespace {

constexpr DWORD kMajor = 10, kMinor = 0, kBuild = 19045;
constexpr char16_t kWindowsDirectory[] = u"/usr/share";

}  // namespace

extern "C" {

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  if (!info) return FALSE;
  const DWORD size = info->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOA)) return FALSE;
  std::memset(reinterpret_cast<BYTE*>(info) + sizeof(DWORD), 0, size - sizeof(DWORD));
  info->dwMajorVersion = kMajor;
  info->dwMinorVersion = kMinor;
  info->dwBuildNumber = kBuild;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  return TRUE;
}

UINT WINAPI GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
  const UINT length = sizeof kWindowsDirectory / sizeof kWindowsDirectory[0] - 1;
  if (!lpBuffer || uSize <= length) return length + 1;
  std::memcpy(lpBuffer, kWindowsDirectory, (length + 1) * sizeof(char16_t));
  return length;
}

}  // extern "C"
