// The Reg* calls on Linux over the in-process registry (registryStore.h):
// argument checks and filling the caller's buffers. The 8-bit ("A") calls take
// names and text data as UTF-8 and keep them in UTF-16, as the platform keeps
// them. Names need room for their terminator; data may be asked for its size
// alone; a buffer that is too small gives ERROR_MORE_DATA (with the size
// needed, for data).
#include "platform/host/winreg.h"

#include "platform/host/registryStore.h"
#include "platform/host/utf.h"

#include <cstring>
#include <string>
#include <vector>

namespace reg = zolm_platform::registry;
using zolm_platform::utf8ToUtf16;

namespace {

// A name into a buffer of *capacity characters, terminator included; on
// success *capacity becomes the name's length without the terminator.
template <typename Char>
LONG copyName(const std::basic_string<Char>& name, Char* buffer, DWORD* capacity) {
  if (name.size() >= *capacity) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.data(), name.size() * sizeof(Char));
  buffer[name.size()] = 0;
  *capacity = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// Data into a buffer of *size bytes; with no buffer only the size is told.
LONG copyData(const std::vector<BYTE>& data, BYTE* buffer, DWORD* size) {
  if (!size) return ERROR_SUCCESS;
  const DWORD needed = static_cast<DWORD>(data.size());
  if (buffer && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (buffer && needed) std::memcpy(buffer, data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

std::vector<BYTE> bytesOf(const void* data, size_t size) {
  const auto* p = static_cast<const BYTE*>(data);
  return std::vector<BYTE>(p, p + size);
}

bool isTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

extern "C" {

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired,
                             PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  return reg::openKey(hKey, utf8ToUtf16(lpSubKey), samDesired, phkResult);
}

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired,
                             PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  return reg::openKey(hKey, lpSubKey ? lpSubKey : u"", samDesired, phkResult);
}

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD,
                               REGSAM samDesired, const LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
  if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
  return reg::createKey(hKey, utf8ToUtf16(lpSubKey), samDesired, phkResult, lpdwDisposition);
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) { return reg::closeKey(hKey); }

LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  return reg::deleteKey(hKey, utf8ToUtf16(lpSubKey));
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  if (!isTextType(dwType))
    return reg::setValue(hKey, utf8ToUtf16(lpValueName), dwType, bytesOf(lpData, cbData));
  // Terminators are kept, as they came.
  const std::u16string text = utf8ToUtf16(reinterpret_cast<const char*>(lpData), cbData);
  return reg::setValue(hKey, utf8ToUtf16(lpValueName), dwType,
                       bytesOf(text.data(), text.size() * sizeof(char16_t)));
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  return reg::setValue(hKey, lpValueName ? lpValueName : u"", dwType, bytesOf(lpData, cbData));
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  return reg::deleteValue(hKey, utf8ToUtf16(lpValueName));
}

LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName,
                             LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
  if (!lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  std::u16string name;
  DWORD type;
  std::vector<BYTE> data;
  LONG rc = reg::valueAt(hKey, dwIndex, &name, &type, &data);
  if (rc == ERROR_SUCCESS) rc = copyName(name, lpValueName, lpcchValueName);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpType) *lpType = type;
  return copyData(data, lpData, lpcbData);
}

// Keys here have neither a class nor a time of last writing to tell.
LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD,
                             LPSTR lpClass, LPDWORD, PFILETIME lpftLastWriteTime) {
  if (!lpName || !lpcchName || lpClass || lpftLastWriteTime) return ERROR_INVALID_PARAMETER;
  std::u16string name;
  const LONG rc = reg::subkeyAt(hKey, dwIndex, &name);
  if (rc != ERROR_SUCCESS) return rc;
  return copyName(zolm_platform::utf16ToUtf8(name.data(), name.size()), lpName, lpcchName);
}

// Only the numbers of subkeys and values are told; asking for more is refused.
LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  if (lpClass || lpcchClass || lpcbMaxSubKeyLen || lpcbMaxClassLen || lpcbMaxValueNameLen ||
      lpcbMaxValueLen || lpcbSecurityDescriptor || lpftLastWriteTime)
    return ERROR_INVALID_PARAMETER;
  return reg::countEntries(hKey, lpcSubKeys, lpcValues);
}

}  // extern "C"
