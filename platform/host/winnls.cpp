// The 8-bit text services on Linux, with UTF-8 as the ANSI code page. The
// conversions replace malformed input with U+FFFD, as the platform does when
// it is not asked to refuse it, and never write past the capacity given.
#include "platform/host/winnls.h"

#include "platform/host/fileapi.h"
#include "platform/host/utf.h"

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the UTF-8 sequence a lead byte announces (1 for stray bytes).
int SequenceLength(unsigned char lead) {
  if (lead < 0xC2) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF5) return 4;
  return 1;
}

bool IsUtf8CodePage(UINT codePage) { return codePage == CP_THREAD_ACP || codePage == CP_UTF8; }

// Adds the n units of one character to a conversion's output: counted
// only while measuring, otherwise copied if they fit. False, with the last
// error set, when the count would pass INT_MAX or the buffer is full.
template <typename Unit>
bool PutUnits(const Unit* units, int n, Unit* dest, int capacity, bool measuring, int& written) {
  if (written > 0x7FFFFFFF - n) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!measuring) {
    if (written + n > capacity) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return false;
    }
    std::memcpy(dest + written, units, static_cast<size_t>(n) * sizeof(Unit));
  }
  written += n;
  return true;
}

char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

extern "C" {

LPSTR CharNextA(LPCSTR p) {
  if (p == nullptr || *p == '\0') return const_cast<LPSTR>(p);
  const unsigned char* s = reinterpret_cast<const unsigned char*>(p);
  int n = SequenceLength(s[0]);
  int step = 1;
  // Only real continuation bytes belong to the character; never past a NUL.
  while (step < n && IsContinuation(s[step])) ++step;
  return const_cast<LPSTR>(p + step);
}

BOOL IsDBCSLeadByte(BYTE) { return FALSE; }

int lstrcmpiA(LPCSTR a, LPCSTR b) {
  if (a == nullptr || b == nullptr) return (a == b) ? 0 : (a == nullptr ? -1 : 1);
  for (;; ++a, ++b) {
    unsigned char ca = static_cast<unsigned char>(ToLowerAscii(*a));
    unsigned char cb = static_cast<unsigned char>(ToLowerAscii(*b));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

UINT GetACP(void) { return CP_UTF8; }

// English (United States): the host has no locale of its own to report.
LCID GetThreadLocale(void) { return 0x0409; }

int GetLocaleInfoA(LCID, LCTYPE type, LPSTR data, int capacity) {
  const char* answer = nullptr;
  switch (type & 0xFFFF) {
    case LOCALE_IDEFAULTANSICODEPAGE: answer = "65001"; break;
    default: SetLastError(ERROR_INVALID_FLAGS); return 0;
  }
  int needed = static_cast<int>(std::strlen(answer)) + 1;
  if (data == nullptr || capacity == 0) return needed;
  if (capacity < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(data, answer, static_cast<size_t>(needed));
  return needed;
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR source, int sourceLength,
                        LPWSTR dest, int capacity) {
  if (source == nullptr || sourceLength < -1 || capacity < 0 || !IsUtf8CodePage(codePage)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (sourceLength == -1) sourceLength = static_cast<int>(strnlen(source, 0x7FFFFFFE)) + 1;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(source);
  const size_t length = static_cast<size_t>(sourceLength);
  bool measuring = (dest == nullptr || capacity == 0);
  int written = 0;
  for (size_t i = 0; i < length;) {
    // A byte that is not UTF-8 keeps its value as an escape (utf.h).
    const char32_t cp = zolm_platform::decodeUtf8Escaping(s, length, i);
    WCHAR units[2];
    const int n = zolm_platform::encodeUtf16(cp, units);
    if (!PutUnits(units, n, dest, capacity, measuring, written)) return 0;
  }
  return written;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength,
                        LPSTR dest, int capacity, LPCSTR defaultChar, BOOL* usedDefaultChar) {
  // UTF-8 takes neither a default character nor reports its use.
  if (source == nullptr || sourceLength < -1 || capacity < 0 || !IsUtf8CodePage(codePage) ||
      defaultChar != nullptr || usedDefaultChar != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (sourceLength == -1) {
    int n = 0;
    while (source[n] != 0) {
      if (n == 0x7FFFFFFE) break;
      ++n;
    }
    sourceLength = n + 1;
  }
  bool measuring = (dest == nullptr || capacity == 0);
  int written = 0;
  const size_t length = static_cast<size_t>(sourceLength);
  for (size_t i = 0; i < length;) {
    char32_t cp = zolm_platform::decodeUtf16(source, length, i);
    unsigned char bytes[4];
    int n;
    if (zolm_platform::escapedByte(cp, bytes[0])) {
      n = 1;  // the byte that came in (MultiByteToWideChar)
    } else {
      n = zolm_platform::encodeUtf8(zolm_platform::isSurrogate(cp) ? 0xFFFD : cp, bytes);
    }
    if (!PutUnits(reinterpret_cast<const char*>(bytes), n, dest, capacity, measuring, written))
      return 0;
  }
  return written;
}

}  // extern "C"
