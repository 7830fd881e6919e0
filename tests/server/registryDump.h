// Test helper: the registry below a key as sorted lines, one per key
// ("Key\Sub") and one per value ("Key\Sub|name|type|data", data as text for
// strings and as hex bytes otherwise), so that a whole tree can be compared
// with one expectation.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/winreg.h"

inline void DumpKey(HKEY key, const std::string& path, std::vector<std::string>& lines) {
  lines.push_back(path);
  for (DWORD i = 0;; ++i) {
    char name[512];
    DWORD nameLength = sizeof name;
    BYTE data[4096];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataSize) !=
        ERROR_SUCCESS) {
      break;
    }
    std::string text;
    if (type == REG_SZ) {
      text.assign(reinterpret_cast<char*>(data), dataSize > 0 ? dataSize - 1 : 0);
    } else {
      for (DWORD b = 0; b < dataSize; ++b) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", data[b]);
        text += hex;
      }
    }
    lines.push_back(path + "|" + (nameLength == 0 ? "@" : std::string(name, nameLength)) + "|" +
                    std::to_string(type) + "|" + text);
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
