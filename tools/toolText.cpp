// The command's text conversions, through the platform's calls.
#include "tools/toolText.h"

#include <cctype>

#include "platform/winnls.h"

wideString toWide(const std::string& utf8) {
  if (utf8.empty()) return wideString();
  const int length = static_cast<int>(utf8.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (units <= 0) return wideString();
  wideString out(static_cast<size_t>(units), 0);
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &out[0], units);
  return out;
}

std::string toUtf8(const WCHAR* utf16) {
  if (utf16 == nullptr || utf16[0] == 0) return std::string();
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16, -1, &out[0], bytes, nullptr, nullptr);
  out.resize(static_cast<size_t>(bytes - 1));  // without the terminator
  return out;
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
