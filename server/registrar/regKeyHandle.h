// CRegKeyHandle: one open registry key, closed when a later successful open
// or create replaces it, on Close and when the wrapper goes. Keys received
// from outside (root keys, the enclosing block's key) are borrowed through
// CBorrowedKey, which never closes them. Every operation returns the
// registry's own 32-bit result code, 0 for success.
#pragma once

#include "platform/winreg.h"

class CRegKeyHandle {
 public:
  CRegKeyHandle() = default;
  ~CRegKeyHandle() { Close(); }
  CRegKeyHandle(const CRegKeyHandle&) = delete;
  CRegKeyHandle& operator=(const CRegKeyHandle&) = delete;

  LONG Open(HKEY parent, LPCSTR name, REGSAM access);
  LONG Create(HKEY parent, LPCSTR name, LPSTR keyClass, DWORD options, REGSAM access,
              LPSECURITY_ATTRIBUTES security, LPDWORD disposition);
  // 0 when nothing is open.
  LONG Close();

  // Writing a string or list with no text at all is a fault of the caller
  // and raises CFrameException(E_FAIL).
  LONG WriteString(LPCSTR name, LPCSTR text, DWORD type);
  // list: NUL-separated elements ended by an empty one; written up to and
  // including that empty element.
  LONG WriteMultiString(LPCSTR name, LPCSTR list);
  LONG WriteDword(LPCSTR name, DWORD number);
  LONG WriteBinary(LPCSTR name, const BYTE* data, DWORD size);
  // Deletes name and everything below it under this key.
  LONG DeleteTree(LPCSTR name);

  HKEY key = nullptr;

 protected:
  void Attach(HKEY borrowed) { key = borrowed; }
  void Detach() { key = nullptr; }
};

class CBorrowedKey : public CRegKeyHandle {
 public:
  explicit CBorrowedKey(HKEY borrowed) { Attach(borrowed); }
  ~CBorrowedKey() { Detach(); }
};

// The HRESULT of a registry result code: 0x80070000 OR (code AND 0xFFFF); a
// code of 0 or less is returned unchanged.
inline HRESULT HResultFromRegistry(LONG code) {
  if (code <= 0) return static_cast<HRESULT>(code);
  return static_cast<HRESULT>((static_cast<ULONG>(code) & 0xFFFFu) | 0x80070000u);
}
