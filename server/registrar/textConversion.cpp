// Conversions between the frame's 8-bit text and UTF-16.
#include "server/registrar/textConversion.h"

#include <atomic>
#include <cstring>
#include <cstdlib>
#include <new>

#include "platform/sysinfoapi.h"
#include "platform/winnls.h"

namespace {

UINT ChooseCodePage() {
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExA(&version) && version.dwPlatformId == 2 && version.dwMajorVersion >= 5) {
    return CP_THREAD_ACP;
  }
  // The locale's default ANSI code page as decimal digits, at most 7 bytes.
  char digits[7];
  UINT codePage = 0;
  if (GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, digits, 7) > 0) {
    for (const char* p = digits; *p >= '0' && *p <= '9'; ++p) {
      codePage = codePage * 10 + static_cast<UINT>(*p - '0');
    }
  }
  return codePage != 0 ? codePage : GetACP();
}

}  // namespace

UINT conversionCodePage() {
  // Every thread computes the same answer, so a race only repeats the work.
  static std::atomic<UINT> chosen{0xFFFFFFFFu};
  UINT codePage = chosen.load(std::memory_order_acquire);
  if (codePage == 0xFFFFFFFFu) {
    codePage = ChooseCodePage();
    chosen.store(codePage, std::memory_order_release);
  }
  return codePage;
}

CTextToUtf16::CTextToUtf16(LPCSTR text) {
  if (text == nullptr) return;
  UINT codePage = conversionCodePage();
  int units = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (units <= 0) return;
  OLECHAR* dest = inlineStore;
  if (units > kInlineUnits) {
    heap = new (std::nothrow) OLECHAR[static_cast<size_t>(units)];
    if (heap == nullptr) return;
    dest = heap;
  }
  if (MultiByteToWideChar(codePage, 0, text, -1, reinterpret_cast<LPWSTR>(dest), units) != units) {
    return;
  }
  converted = dest;
}

CTextToUtf16::~CTextToUtf16() { delete[] heap; }

CUtf16ToText::CUtf16ToText(LPCOLESTR text) {
  if (text == nullptr) return;
  UINT codePage = conversionCodePage();
  LPCWSTR source = reinterpret_cast<LPCWSTR>(text);
  int bytes = WideCharToMultiByte(codePage, 0, source, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return;
  char* dest = inlineStore;
  if (bytes > kInlineBytes) {
    heap = new (std::nothrow) char[static_cast<size_t>(bytes)];
    if (heap == nullptr) return;
    dest = heap;
  }
  if (WideCharToMultiByte(codePage, 0, source, -1, dest, bytes, nullptr, nullptr) != bytes) return;
  converted = dest;
}

CUtf16ToText::~CUtf16ToText() { delete[] heap; }
