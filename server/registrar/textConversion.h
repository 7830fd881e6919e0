// Conversions between the frame's 8-bit text and UTF-16, always in the code
// page that conversionCodePage chooses. Each converter keeps up to 1024 bytes
// of converted text inside itself (on the stack where it is a local) and
// takes a heap block for longer text; get() is null when the input was null
// or the conversion failed, which callers report as E_OUTOFMEMORY.
#pragma once

#include "platform/wintypes.h"

// The code page of every conversion between the frame's 8-bit strings and
// UTF-16, chosen on first use and kept: the thread's ANSI code page on the NT
// line from major version 5 on, otherwise the default ANSI code page of the
// thread's locale, or the system's when the locale has none.
UINT conversionCodePage();

class CTextToUtf16 {
 public:
  explicit CTextToUtf16(LPCSTR text);
  ~CTextToUtf16();
  CTextToUtf16(const CTextToUtf16&) = delete;
  CTextToUtf16& operator=(const CTextToUtf16&) = delete;

  const OLECHAR* get() const { return converted; }

 private:
  static const int kInlineUnits = 512;  // 1024 bytes
  OLECHAR inlineStore[kInlineUnits];
  OLECHAR* heap = nullptr;
  OLECHAR* converted = nullptr;
};

class CUtf16ToText {
 public:
  explicit CUtf16ToText(LPCOLESTR text);
  ~CUtf16ToText();
  CUtf16ToText(const CUtf16ToText&) = delete;
  CUtf16ToText& operator=(const CUtf16ToText&) = delete;

  const char* get() const { return converted; }

 private:
  static const int kInlineBytes = 1024;
  char inlineStore[kInlineBytes];
  char* heap = nullptr;
  char* converted = nullptr;
};
