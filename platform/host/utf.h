// UTF-8 and UTF-16 conversion for the Linux stand-ins: the 8-bit ("A") calls
// take UTF-8, the system's ANSI code page on Linux, and the stand-ins keep
// their text in UTF-16 as the platform does. Malformed input becomes U+FFFD,
// except in the strict form, which refuses it (type library sources).
// Private to libzolmplatform.so.
#pragma once

#include "platform/host/wintypes.h"

#include <string>

namespace zolm_platform {

std::u16string utf8ToUtf16(const char* text, size_t length);
std::u16string utf8ToUtf16(const char* text);  // NUL-terminated, null gives ""
// Strict UTF-8 to UTF-16; false for a malformed sequence.
bool utf8ToUtf16Strict(const char* text, size_t length, std::u16string& out);
std::string utf16ToUtf8(const char16_t* text, size_t length);
std::string utf16ToUtf8(const char16_t* text);  // NUL-terminated, null gives ""
// Appends the UTF-8 form of one code point (at most 0x10FFFF).
void appendUtf8(std::string& out, char32_t c);

}  // namespace zolm_platform
