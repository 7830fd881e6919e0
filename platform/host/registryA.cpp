// The 8-bit ("A") registry calls on Linux: names and text data arrive and
// leave as UTF-8 and are kept in UTF-16 like the platform keeps them; sizes
// and buffer limits count the UTF-8 form the caller sees. The work is shared
// with the UTF-16 calls in registryCalls.h.
#include "platform/host/winreg.h"

#include "platform/host/registryCalls.h"

namespace reg = zolm_platform::registry;
using Utf8 = zolm_platform::registry::Utf8Form;

extern "C" {

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired,
                             PHKEY phkResult) {
  return reg::openKeyCall<Utf8>(hKey, lpSubKey, samDesired, phkResult);
}

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD,
                               REGSAM samDesired, const LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
  return reg::createKeyCall<Utf8>(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
}

LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  return reg::deleteKeyCall<Utf8>(hKey, lpSubKey);
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
  return reg::setValueCall<Utf8>(hKey, lpValueName, dwType, lpData, cbData);
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
  return reg::queryValueCall<Utf8>(hKey, lpValueName, lpType, lpData, lpcbData);
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  return reg::deleteValueCall<Utf8>(hKey, lpValueName);
}

LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName,
                             LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
  return reg::enumValueCall<Utf8>(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData,
                                  lpcbData);
}

LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD,
                             LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  return reg::enumKeyCall<Utf8>(hKey, dwIndex, lpName, lpcchName, lpClass, lpcchClass,
                                lpftLastWriteTime);
}

LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  return reg::queryInfoCall<Utf8>(hKey, lpClass, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen,
                                  lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen,
                                  lpcbMaxValueLen, lpcbSecurityDescriptor, lpftLastWriteTime);
}

}  // extern "C"
