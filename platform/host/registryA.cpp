// The 8-bit ("A") registry calls on Linux: names and text data arrive and
// leave as UTF-8 and are kept in UTF-16 like the platform keeps them; sizes
// and buffer limits count the UTF-8 form the caller sees.
#include "platform/host/winreg.h"

#include "platform/host/registryBuffers.h"
#include "platform/host/registryStore.h"
#include "platform/host/utf.h"

namespace reg = zolm_platform::registry;
using zolm_platform::utf16ToUtf8;
using zolm_platform::utf8ToUtf16;

namespace {

std::string narrow(const std::u16string& s) { return utf16ToUtf8(s.data(), s.size()); }

}  // namespace

extern "C" {

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired,
                             PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  return reg::openKey(hKey, utf8ToUtf16(lpSubKey), samDesired, phkResult);
}

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD,
                               REGSAM samDesired, const LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
  if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
  return reg::createKey(hKey, utf8ToUtf16(lpSubKey), samDesired, phkResult, lpdwDisposition);
}

LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  return reg::deleteKey(hKey, utf8ToUtf16(lpSubKey));
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  std::vector<BYTE> data = reg::isTextType(dwType) ? reg::textDataFromUtf8(lpData, cbData)
                                                    : reg::bytesOf(lpData, cbData);
  return reg::setValue(hKey, utf8ToUtf16(lpValueName), dwType, std::move(data));
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  DWORD type;
  std::vector<BYTE> data;
  LONG rc = reg::queryValue(hKey, utf8ToUtf16(lpValueName), &type, &data);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpType) *lpType = type;
  if (reg::isTextType(type)) data = reg::textDataToUtf8(data);
  return reg::copyData(data, lpData, lpcbData);
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  return reg::deleteValue(hKey, utf8ToUtf16(lpValueName));
}

LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName,
                             LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
  if (!lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  std::u16string name;
  DWORD type;
  std::vector<BYTE> data;
  LONG rc = reg::valueAt(hKey, dwIndex, &name, &type, &data);
  if (rc != ERROR_SUCCESS) return rc;
  rc = reg::copyName(narrow(name), lpValueName, lpcchValueName);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpType) *lpType = type;
  if (reg::isTextType(type)) data = reg::textDataToUtf8(data);
  return reg::copyData(data, lpData, lpcbData);
}

LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD,
                             LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
  std::u16string name;
  LONG rc = reg::subkeyAt(hKey, dwIndex, &name);
  if (rc != ERROR_SUCCESS) return rc;
  rc = reg::copyName(narrow(name), lpName, lpcchName);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpClass && lpcchClass && *lpcchClass) {  // keys here have no class
    lpClass[0] = 0;
    *lpcchClass = 0;
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  reg::KeyInfo info;
  LONG rc = reg::queryInfo(hKey, true, &info);
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
