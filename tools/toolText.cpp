// UTF-8 and UTF-16 conversions for the command's arguments and file names.
#include "tools/toolText.h"

#include <cctype>

namespace {

void appendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

wideString toWide(const std::string& utf8) {
  wideString out;
  const size_t size = utf8.size();
  for (size_t i = 0; i < size;) {
    const uint32_t lead = static_cast<uint8_t>(utf8[i]);
    const int extra = lead < 0x80 ? 0 : lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    uint32_t c = 0xFFFD;
    size_t used = 1;
    if (extra == 0) {
      c = lead;
    } else if (extra > 0) {
      uint32_t value = lead & (0x3F >> extra);
      bool valid = true;
      for (int k = 1; k <= extra; ++k) {
        if (i + static_cast<size_t>(k) >= size) {
          valid = false;
          break;
        }
        const uint32_t next = static_cast<uint8_t>(utf8[i + k]);
        if ((next & 0xC0) != 0x80) {
          valid = false;
          break;
        }
        value = (value << 6) | (next & 0x3F);
      }
      if (valid && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
        c = value;
        used = static_cast<size_t>(extra) + 1;
      }
    }
    i += used;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<WCHAR>(0xD800 + (c >> 10));
      out += static_cast<WCHAR>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<WCHAR>(c);
    }
  }
  return out;
}

template <typename Unit>
std::string toUtf8(const Unit* utf16) {
  std::string out;
  for (size_t i = 0; utf16[i] != 0; ++i) {
    uint32_t c = static_cast<uint16_t>(utf16[i]);
    if (c >= 0xD800 && c <= 0xDBFF) {
      const uint32_t low = static_cast<uint16_t>(utf16[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    appendUtf8(out, c);
  }
  return out;
}

template std::string toUtf8<wchar_t>(const wchar_t*);
template std::string toUtf8<char16_t>(const char16_t*);

FILE* openByName(const std::string& utf8, const char* mode) {
#ifdef _WIN32
  wideString name = toWide(utf8);
  std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(name.c_str(), wideMode.c_str());
#else
  return std::fopen(utf8.c_str(), mode);
#endif
}

std::string upperExtension(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart) return std::string();
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return extension;
}
