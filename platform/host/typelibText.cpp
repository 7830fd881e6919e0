// Case-free name comparison and GUID text for the Linux type library service.
#include "platform/host/typelibText.h"

#include <cstdio>

namespace typelib {

namespace {

char16_t foldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  // Latin-1 small letters à..þ except the division sign.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at text[pos]; false if any is not one.
bool readHex(const char* text, size_t pos, int digits, uint32_t& out) {
  out = 0;
  for (int i = 0; i < digits; ++i) {
    int v = hexValue(text[pos + i]);
    if (v < 0) return false;
    out = (out << 4) | static_cast<uint32_t>(v);
  }
  return true;
}

}  // namespace

bool sameNameIgnoringCase(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength) {
  if (aLength != bLength) return false;
  for (size_t i = 0; i < aLength; ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

std::string guidText(const GUID& g) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buffer;
}

bool parseGuid(const char* text, size_t length, GUID& out) {
  if (length != 36) return false;
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return false;
  uint32_t v = 0;
  if (!readHex(text, 0, 8, v)) return false;
  out.Data1 = v;
  if (!readHex(text, 9, 4, v)) return false;
  out.Data2 = static_cast<uint16_t>(v);
  if (!readHex(text, 14, 4, v)) return false;
  out.Data3 = static_cast<uint16_t>(v);
  static const size_t kBytes[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) {
    if (!readHex(text, kBytes[i], 2, v)) return false;
    out.Data4[i] = static_cast<uint8_t>(v);
  }
  return true;
}

}  // namespace typelib
