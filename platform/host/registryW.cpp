// The UTF-16 ("W") registry calls on Linux, over the in-process registry.
#include "platform/host/winreg.h"

#include "platform/host/registryBuffers.h"
#include "platform/host/registryStore.h"

namespace reg = zolm_platform::registry;

extern "C" {

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired,
                             PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  return reg::openKey(hKey, reg::wideName(lpSubKey), samDesired, phkResult);
}

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD,
                               REGSAM samDesired, const LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
  if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
  return reg::createKey(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) { return reg::closeKey(hKey); }

LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  return reg::deleteKey(hKey, lpSubKey);
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  return reg::setValue(hKey, reg::wideName(lpValueName), dwType, reg::bytesOf(lpData, cbData));
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  DWORD type;
  std::vector<BYTE> data;
  LONG rc = reg::queryValue(hKey, reg::wideName(lpValueName), &type, &data);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpType) *lpType = type;
  return reg::copyData(data, lpData, lpcbData);
}

LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  return reg::deleteValue(hKey, reg::wideName(lpValueName));
}

LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName,
                             LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
  if (!lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  std::u16string name;
  DWORD type;
  std::vector<BYTE> data;
  LONG rc = reg::valueAt(hKey, dwIndex, &name, &type, &data);
  if (rc != ERROR_SUCCESS) return rc;
  rc = reg::copyName(name, lpValueName, lpcchValueName);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpType) *lpType = type;
  return reg::copyData(data, lpData, lpcbData);
}

LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                             LPDWORD, LPWSTR lpClass, LPDWORD lpcchClass,
                             PFILETIME lpftLastWriteTime) {
  if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
  std::u16string name;
  LONG rc = reg::subkeyAt(hKey, dwIndex, &name);
  if (rc != ERROR_SUCCESS) return rc;
  rc = reg::copyName(name, lpName, lpcchName);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpClass && lpcchClass && *lpcchClass) {  // keys here have no class
    lpClass[0] = 0;
    *lpcchClass = 0;
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  reg::KeyInfo info;
  LONG rc = reg::queryInfo(hKey, false, &info);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = 0;
  if (lpcchClass) *lpcchClass = 0;
  if (lpcSubKeys) *lpcSubKeys = info.subkeys;
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = info.maxSubkeyName;
  if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
  if (lpcValues) *lpcValues = info.values;
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = info.maxValueName;
  if (lpcbMaxValueLen) *lpcbMaxValueLen = info.maxValueData;
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

}  // extern "C"
