// UTF-8 <-> UTF-16 for the Linux stand-ins: one decoder and one encoder of
// each form, behind the lenient (byte-keeping) conversion of the 8-bit calls
// and file names and the counted conversions of winnls.cpp.
#include "platform/host/utf.h"

namespace zolm_platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf16(std::u16string& out, char32_t c) {
  char16_t units[2];
  out.append(units, static_cast<size_t>(encodeUtf16(c, units)));
}

// One UTF-8 sequence at text[i]: its code point into c and i moved past it;
// false for a malformed one, with i left where it was.
bool decodeUtf8(const unsigned char* text, size_t length, size_t& i, char32_t& c) {
  unsigned char b = text[i];
  if (b < 0x80) {
    c = b;
    ++i;
    return true;
  }
  int extra = (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
  if (extra < 0 || i + extra >= length) return false;
  c = extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
  for (int k = 1; k <= extra; ++k) {
    unsigned char cont = text[i + k];
    if ((cont & 0xC0) != 0x80) return false;
    c = (c << 6) | (cont & 0x3F);
  }
  static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (c < kMinimum[extra] || c > 0x10FFFF || isSurrogate(c)) return false;
  i += 1 + extra;
  return true;
}

}  // namespace

char32_t decodeUtf8Escaping(const unsigned char* text, size_t length, size_t& i) {
  char32_t c;
  if (decodeUtf8(text, length, i, c)) return c;
  // ASCII always decodes, so the byte is 0x80 or above.
  return 0xDC00 + text[i++];
}

char32_t decodeUtf16(const char16_t* text, size_t length, size_t& i) {
  char32_t c = text[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < length && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
    c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
  return c;
}

int encodeUtf8(char32_t c, unsigned char out[4]) {
  if (c < 0x80) {
    out[0] = static_cast<unsigned char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
    out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
  out[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  return 4;
}

int encodeUtf16(char32_t c, char16_t out[2]) {
  if (c < 0x10000) {
    out[0] = static_cast<char16_t>(c);
    return 1;
  }
  c -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (c >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  return 2;
}

void appendUtf8(std::string& out, char32_t c) {
  unsigned char bytes[4];
  out.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(encodeUtf8(c, bytes)));
}

std::u16string utf8ToUtf16(const char* text, size_t length) {
  std::u16string out;
  out.reserve(length);
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < length) appendUtf16(out, decodeUtf8Escaping(p, length, i));
  return out;
}

std::u16string utf8ToUtf16(const char* text) {
  return text ? utf8ToUtf16(text, std::char_traits<char>::length(text)) : std::u16string();
}

std::string utf16ToUtf8(const char16_t* text, size_t length) {
  std::string out;
  out.reserve(length);
  size_t i = 0;
  while (i < length) {
    const char32_t c = decodeUtf16(text, length, i);
    unsigned char byte;
    if (escapedByte(c, byte))
      out += static_cast<char>(byte);
    else
      appendUtf8(out, isSurrogate(c) ? kReplacement : c);
  }
  return out;
}

std::string utf16ToUtf8(const char16_t* text) {
  return text ? utf16ToUtf8(text, std::char_traits<char16_t>::length(text)) : std::string();
}

bool sameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  // Small letters a..z and à..þ (but the division sign) fold to capitals; ÿ to Ÿ.
  auto fold = [](char16_t c) -> char16_t {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    return c == 0xFF ? 0x178 : c;
  };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

}  // namespace zolm_platform
