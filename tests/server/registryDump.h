// Test helper: the registry below a key as sorted lines, one per key
// ("Key\Sub") and one per value ("Key\Sub|name|type|data", data as text for
// strings and as hex bytes otherwise), so that a whole tree can be compared
// with one expectation.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/winnls.h"
#include "platform/winreg.h"

// UTF-16 text as the UTF-8 the 8-bit calls take.
inline std::string Utf8(const std::u16string& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], bytes, nullptr, nullptr);
  return out;
}

inline void DumpKey(HKEY key, const std::string& path, std::vector<std::string>& lines) {
  lines.push_back(path);
  for (DWORD i = 0;; ++i) {
    WCHAR name[512];
    DWORD nameLength = 512;
    BYTE data[8192];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &dataSize) !=
        ERROR_SUCCESS) {
      break;
    }
    std::string bytes(reinterpret_cast<char*>(data), dataSize);
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
      std::u16string units(dataSize / sizeof(WCHAR), u'\0');
      if (!units.empty()) std::memcpy(&units[0], data, units.size() * sizeof(WCHAR));
      bytes = Utf8(units);  // text as the 8-bit calls wrote it
    }
    std::string text;
    if (type == REG_SZ) {
      text.assign(bytes, 0, bytes.empty() ? 0 : bytes.size() - 1);
    } else {
      for (unsigned char b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", b);
        text += hex;
      }
    }
    lines.push_back(path + "|" + (nameLength == 0 ? "@" : Utf8(std::u16string(name, nameLength))) +
                    "|" + std::to_string(type) + "|" + text);
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    char name[512];
    DWORD nameLength = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    subkeys.emplace_back(name, nameLength);
  }
  for (const std::string& name : subkeys) {
    HKEY sub = nullptr;
    if (RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    DumpKey(sub, path + "\\" + name, lines);
    RegCloseKey(sub);
  }
}

// Every line below root (the root itself not listed), sorted.
inline std::vector<std::string> DumpTree(HKEY root, const char* subkey = nullptr) {
  std::vector<std::string> lines;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return lines;
  DumpKey(key, "", lines);
  RegCloseKey(key);
  lines.erase(lines.begin());
  for (std::string& line : lines) {
    if (!line.empty() && line[0] == '\\') line.erase(0, 1);  // the leading backslash
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

inline bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

inline void CreateKey(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    RegCloseKey(key);
  }
}

// The text of the REG_SZ value `name` (null: the default value) of `path`
// below root, as DumpTree shows it; "<missing>" when there is none.
inline std::string ValueText(HKEY root, const char* path, const char* name = nullptr) {
  const std::string prefix = std::string("|") + (name ? name : "@") + "|1|";
  for (const std::string& line : DumpTree(root, path)) {
    if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
  }
  return "<missing>";
}
