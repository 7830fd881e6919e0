// The UTF-16 ("W") registry calls on Linux, over the in-process registry;
// the work is shared with the 8-bit calls in registryCalls.h.
#include "platform/host/winreg.h"

#include "platform/host/registryCalls.h"
#include "platform/host/registryStore.h"

namespace reg = zolm_platform::registry;
using Wide = zolm_platform::registry::WideForm;

extern "C" {

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired,
                             PHKEY phkResult) {
  return reg::openKeyCall<Wide>(hKey, lpSubKey, samDesired, phkResult);
}

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD,
                               REGSAM samDesired, const LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
  return reg::createKeyCall<Wide>(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) { return reg::closeKey(hKey); }

LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  return reg::deleteKeyCall<Wide>(hKey, lpSubKey);
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
  return reg::setValueCall<Wide>(hKey, lpValueName, dwType, lpData, cbData);
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
  return reg::queryValueCall<Wide>(hKey, lpValueName, lpType, lpData, lpcbData);
}

LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName,
                             LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
  return reg::enumValueCall<Wide>(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData,
                                  lpcbData);
}

LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                             LPDWORD, LPWSTR lpClass, LPDWORD lpcchClass,
                             PFILETIME lpftLastWriteTime) {
  return reg::enumKeyCall<Wide>(hKey, dwIndex, lpName, lpcchName, lpClass, lpcchClass,
                                lpftLastWriteTime);
}

LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  return reg::queryInfoCall<Wide>(hKey, lpClass, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen,
                                  lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen,
                                  lpcbMaxValueLen, lpcbSecurityDescriptor, lpftLastWriteTime);
}

}  // extern "C"
