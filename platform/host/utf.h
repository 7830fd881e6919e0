// UTF-8 and UTF-16 conversion for the Linux stand-ins: the 8-bit ("A") calls
// take UTF-8, the system's ANSI code page on Linux, and the stand-ins keep
// their text in UTF-16 as the platform does. On Linux a file name is any
// string of bytes, so the lenient conversion loses none: each byte that is
// not part of valid UTF-8 travels through UTF-16 as the lone surrogate
// U+DC80..U+DCFF (U+DC00 plus the byte) and turns back into that byte on
// the way out; other lone surrogates become U+FFFD. The code point steps underneath
// are here too, for the conversion calls that count and bound their output
// themselves (winnls.cpp) and the file calls (fileapi.cpp), and the comparison
// of names without regard to case.
// Private to libzolmplatform.so.
#pragma once

#include "platform/host/wintypes.h"

#include <string>
#include <string_view>

namespace zolm_platform {

std::u16string utf8ToUtf16(const char* text, size_t length);
std::u16string utf8ToUtf16(const char* text);  // NUL-terminated, null gives ""
std::string utf16ToUtf8(const char16_t* text, size_t length);
std::string utf16ToUtf8(const char16_t* text);  // NUL-terminated, null gives ""
// Appends the UTF-8 form of one code point (at most 0x10FFFF).
void appendUtf8(std::string& out, char32_t c);

inline bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// One code point of UTF-8 text at text[i] (i < length), or for a byte that
// starts no valid sequence (a stray or unknown byte, cut short, overlong, a
// surrogate or beyond U+10FFFF) its escape U+DC00 + byte; i moved past what
// was taken either way.
char32_t decodeUtf8Escaping(const unsigned char* text, size_t length, size_t& i);
// True when c is the escape of a byte that is not UTF-8 (U+DC80..U+DCFF),
// with that byte in `byte`.
inline bool escapedByte(char32_t c, unsigned char& byte) {
  if (c < 0xDC80 || c > 0xDCFF) return false;
  byte = static_cast<unsigned char>(c - 0xDC00);
  return true;
}

// One code point of UTF-16 text at text[i] (i < length), a surrogate pair
// joined, and i moved past it; a surrogate without its partner comes back as
// it stands, for the caller to replace or refuse.
char32_t decodeUtf16(const char16_t* text, size_t length, size_t& i);
// One code point (at most 0x10FFFF) as UTF-8 bytes or UTF-16 units into out;
// gives how many were written.
int encodeUtf8(char32_t c, unsigned char out[4]);
int encodeUtf16(char32_t c, char16_t out[2]);

// Whether two names are the same without regard to the case of the letters
// of ASCII and Latin-1, as the platform compares registry and member names.
bool sameNameIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace zolm_platform
