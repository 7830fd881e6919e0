// The font tables below HKEY_LOCAL_MACHINE are filled from the machine's
// fonts, named as Windows names them, each naming a file that exists.
#include "platform/winreg.h"

#include "platform/host/registryTesting.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

std::string narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

TEST(FontTable, BothKeysListTheInstalledFaces) {
  ZolmRegistryReset(TRUE);
  for (const char16_t* path : {u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                               u"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts"}) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key), ERROR_SUCCESS);
    bool sawDejaVuBold = false;
    for (DWORD i = 0;; ++i) {
      char16_t name[260], data[260];
      DWORD nameLength = 260, size = sizeof data, type = 0;
      LONG rc = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                              reinterpret_cast<BYTE*>(data), &size);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      ASSERT_EQ(rc, ERROR_SUCCESS);
      EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
      std::u16string face(name);
      EXPECT_TRUE(face.size() > 11 && (face.substr(face.size() - 11) == u" (TrueType)" ||
                                       face.substr(face.size() - 11) == u" (OpenType)"))
          << narrow(face);
      struct stat st;
      EXPECT_EQ(stat(narrow(data).c_str(), &st), 0) << narrow(data);
      if (face == u"DejaVu Sans Bold (TrueType)") {
        sawDejaVuBold = true;
        EXPECT_NE(std::u16string(data).find(u"DejaVuSans-Bold.ttf"), std::u16string::npos);
      }
    }
    EXPECT_TRUE(sawDejaVuBold);  // fonts-dejavu-core is installed by scripts/setup
    RegCloseKey(key);
  }
}

TEST(FontTable, ResetWithoutFillingLeavesTheTableToTheTest) {
  ZolmRegistryReset(FALSE);
  HKEY key;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                          0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  ZolmRegistryReset(TRUE);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                          0, KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
}
