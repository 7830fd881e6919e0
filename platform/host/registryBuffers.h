// How the Reg* calls fill a caller's buffers, shared by the UTF-16 and the
// 8-bit calls: names need room for their terminator, data may be asked for
// its size alone, and a buffer that is too small gives ERROR_MORE_DATA with
// the size needed. Private to libzolmplatform.so.
#pragma once

#include "platform/host/utf.h"
#include "platform/host/wintypes.h"

#include <string>
#include <vector>

namespace zolm_platform {
namespace registry {

// A name into a buffer of *capacity characters, terminator included; on
// success *capacity becomes the name's length without the terminator.
template <typename Char>
LONG copyName(const std::basic_string<Char>& name, Char* buffer, DWORD* capacity) {
  if (!buffer || !capacity) return ERROR_INVALID_PARAMETER;
  if (name.size() >= *capacity) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.data(), name.size() * sizeof(Char));
  buffer[name.size()] = 0;
  *capacity = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// Data into a buffer of *size bytes; with no buffer only the size is told.
inline LONG copyData(const std::vector<BYTE>& data, BYTE* buffer, DWORD* size) {
  if (!size) return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  const DWORD needed = static_cast<DWORD>(data.size());
  if (buffer && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (buffer && needed) std::memcpy(buffer, data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

inline std::vector<BYTE> bytesOf(const void* data, DWORD size) {
  const auto* p = static_cast<const BYTE*>(data);
  return std::vector<BYTE>(p, p + size);
}

// Text data as the 8-bit calls see it: UTF-8, terminators kept.
inline std::vector<BYTE> textDataToUtf8(const std::vector<BYTE>& data) {
  std::u16string text(data.size() / sizeof(char16_t), u'\0');
  if (!text.empty()) std::memcpy(&text[0], data.data(), text.size() * sizeof(char16_t));
  std::string narrow = utf16ToUtf8(text.data(), text.size());
  return bytesOf(narrow.data(), static_cast<DWORD>(narrow.size()));
}

inline std::vector<BYTE> textDataFromUtf8(const BYTE* data, DWORD size) {
  std::u16string wide = utf8ToUtf16(reinterpret_cast<const char*>(data), size);
  return bytesOf(wide.data(), static_cast<DWORD>(wide.size() * sizeof(char16_t)));
}

inline std::u16string wideName(LPCWSTR name) { return name ? std::u16string(name) : std::u16string(); }

}  // namespace registry
}  // namespace zolm_platform
