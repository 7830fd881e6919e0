// The registry key wrapper of the script interpreter.
#include "server/registrar/regKeyHandle.h"

#include <cstring>

#include "server/registrar/frameStrings.h"

LONG CRegKeyHandle::Open(HKEY parent, LPCSTR name, REGSAM access) {
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExA(parent, name, 0, access, &opened);
  if (result != ERROR_SUCCESS) return result;
  Close();
  key = opened;
  return ERROR_SUCCESS;
}

LONG CRegKeyHandle::Create(HKEY parent, LPCSTR name, LPSTR keyClass, DWORD options,
                           REGSAM access, LPSECURITY_ATTRIBUTES security,
                           LPDWORD disposition) {
  HKEY created = nullptr;
  LONG result = RegCreateKeyExA(parent, name, 0, keyClass, options, access, security, &created,
                                disposition);
  if (result != ERROR_SUCCESS) return result;
  Close();
  key = created;
  return ERROR_SUCCESS;
}

LONG CRegKeyHandle::Close() {
  if (key == nullptr) return ERROR_SUCCESS;
  HKEY closing = key;
  key = nullptr;
  return RegCloseKey(closing);
}

LONG CRegKeyHandle::WriteString(LPCSTR name, LPCSTR text, DWORD type) {
  if (text == nullptr) ThrowFrameException(E_FAIL);
  size_t size = std::strlen(text) + 1;
  if (size > 0xFFFFFFFFu) return ERROR_INVALID_PARAMETER;
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(size));
}

LONG CRegKeyHandle::WriteMultiString(LPCSTR name, LPCSTR list) {
  if (list == nullptr) ThrowFrameException(E_FAIL);
  // Each element's length plus its NUL, up to and including the empty one.
  size_t size = 0;
  for (;;) {
    size_t element = std::strlen(list + size);
    size += element + 1;
    if (element == 0) break;
  }
  if (size > 0xFFFFFFFFu) return ERROR_INVALID_PARAMETER;
  return RegSetValueExA(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list),
                        static_cast<DWORD>(size));
}

LONG CRegKeyHandle::WriteDword(LPCSTR name, DWORD number) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                        sizeof number);
}

LONG CRegKeyHandle::WriteBinary(LPCSTR name, const BYTE* data, DWORD size) {
  return RegSetValueExA(key, name, 0, REG_BINARY, data, size);
}

LONG CRegKeyHandle::DeleteTree(LPCSTR name) {
  CRegKeyHandle opened;
  LONG result = opened.Open(key, name, KEY_READ | KEY_WRITE);
  if (result != ERROR_SUCCESS) return result;
  char subkey[256];
  for (;;) {
    DWORD length = sizeof subkey;
    if (RegEnumKeyExA(opened.key, 0, subkey, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    result = opened.DeleteTree(subkey);
    if (result != ERROR_SUCCESS) return result;
  }
  opened.Close();
  return RegDeleteKeyA(key, name);
}
