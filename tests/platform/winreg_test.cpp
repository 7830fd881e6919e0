// The in-process registry: result codes for missing keys and values, full
// buffers and the end of enumerations, the default value, case-insensitive
// names, access checks, bad handles, deleted keys, 8-bit text, and calls from
// several threads. Values are read back through RegEnumValueW.
#include "platform/winreg.h"

#include "platform/host/registryTesting.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { ZolmRegistryReset(FALSE); }
  void TearDown() override { ZolmRegistryReset(TRUE); }

  HKEY create(HKEY parent, const char* path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }

  void setString(HKEY key, const char* name, const char* text) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(std::strlen(text) + 1)),
              ERROR_SUCCESS);
  }

  // Value `index` as the UTF-16 call gives it: its name, type and data.
  std::u16string valueAt(HKEY key, DWORD index, DWORD* type, std::vector<BYTE>& data) {
    char16_t name[64] = {};
    DWORD nameLength = 64;
    data.assign(64, 0);
    DWORD size = static_cast<DWORD>(data.size());
    EXPECT_EQ(RegEnumValueW(key, index, name, &nameLength, nullptr, type, data.data(), &size),
              ERROR_SUCCESS);
    data.resize(size);
    return std::u16string(name, nameLength);
  }

  // A text value's data as UTF-16, up to its first terminator.
  static std::u16string textOf(const std::vector<BYTE>& data) {
    std::u16string text(data.size() / 2, u'\0');
    if (!text.empty()) std::memcpy(&text[0], data.data(), text.size() * 2);
    return text.substr(0, text.find(u'\0'));
  }
};

}  // namespace

TEST_F(Registry, MissingKeysAndValuesAreFileNotFound) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{nothing}", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  HKEY made = create(HKEY_CLASSES_ROOT, "CLSID\\{abc}");
  EXPECT_EQ(RegDeleteValueA(made, "missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{other}"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(made), ERROR_SUCCESS);
}

TEST_F(Registry, CreateMakesEveryLevelAndTellsWhetherItWasNew) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "a\\b\\c", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "A\\B\\C", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "a\\B", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "\\a", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  // Roots are separate trees.
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "a", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DefaultValueAndCaseInsensitiveValueNames) {
  HKEY key = create(HKEY_CLASSES_ROOT, "zolmcom.PaletteLoader");
  setString(key, nullptr, "PaletteLoader Class");
  setString(key, "CurVer", "one");
  setString(key, "CURVER", "two");  // the same value, rewritten
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_EQ(valueAt(key, 0, &type, data), u"");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(textOf(data), u"PaletteLoader Class");
  EXPECT_EQ(data.size(), 40u);
  EXPECT_EQ(valueAt(key, 1, &type, data), u"CurVer");
  EXPECT_EQ(textOf(data), u"two");
  DWORD count = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(RegDeleteValueA(key, "curver"), ERROR_SUCCESS);
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(count, 1u);
  RegCloseKey(key);
}

TEST_F(Registry, FullBuffersGiveMoreDataAndTheSizeNeeded) {
  HKEY key = create(HKEY_LOCAL_MACHINE, "t");
  setString(key, "name", "0123456789");
  // 11 characters with the terminator, 22 bytes.
  char16_t name[8], data[32];
  DWORD nameLength = 8, dataSize = 0;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &nameLength, nullptr, nullptr, nullptr, &dataSize),
            ERROR_SUCCESS);
  EXPECT_EQ(dataSize, 22u);
  nameLength = 8;
  dataSize = 21;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &nameLength, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data), &dataSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 22u);
  nameLength = 4;  // "name" needs 5 with its terminator
  dataSize = sizeof data;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &nameLength, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data), &dataSize),
            ERROR_MORE_DATA);
  nameLength = 5;
  ASSERT_EQ(RegEnumValueW(key, 0, name, &nameLength, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data), &dataSize),
            ERROR_SUCCESS);
  EXPECT_EQ(nameLength, 4u);
  EXPECT_EQ(std::u16string(name), u"name");
  EXPECT_EQ(std::u16string(data), u"0123456789");
  RegCloseKey(key);
}

TEST_F(Registry, EnumerationsEndWithNoMoreItems) {
  HKEY key = create(HKEY_CLASSES_ROOT, "k");
  setString(key, "first", "1");
  setString(key, "second", "2");
  RegCloseKey(create(key, "sub1"));
  RegCloseKey(create(key, "sub2"));
  char16_t value[32];
  DWORD length = 32;
  ASSERT_EQ(RegEnumValueW(key, 1, value, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(value), u"second");  // in the order they were made
  length = 32;
  EXPECT_EQ(RegEnumValueW(key, 2, value, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  char name[32];
  length = sizeof name;
  ASSERT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "sub1");
  length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  DWORD subkeys = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 2u);
  RegCloseKey(key);
}

TEST_F(Registry, OnlyKeysWithoutSubkeysAreDeleted) {
  RegCloseKey(create(HKEY_CLASSES_ROOT, "p\\q"));
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "p"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "P\\Q"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "p"), ERROR_SUCCESS);
  HKEY key;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "p", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, HandlesOfDeletedKeysAnswerKeyDeleted) {
  HKEY key = create(HKEY_CLASSES_ROOT, "gone");
  ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "gone"), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, BadHandlesAreRefusedNotFollowed) {
  HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0xDEADBEEF));
  HKEY out;
  EXPECT_EQ(RegOpenKeyExA(bogus, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegDeleteValueA(bogus, "x"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  HKEY key = create(HKEY_CLASSES_ROOT, "closed");
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);  // twice
  EXPECT_EQ(RegEnumKeyExA(key, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  char name[8];
  DWORD length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(ZolmRegistryOpenHandles(), 0u);
}

TEST_F(Registry, AccessIsCheckedAsAsked) {
  RegCloseKey(create(HKEY_CLASSES_ROOT, "ro"));
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "ro", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1),
            ERROR_ACCESS_DENIED);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "ro", 0, KEY_WRITE, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1),
            ERROR_SUCCESS);
  char16_t name[4];
  DWORD length = 4;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  RegCloseKey(key);
}

TEST_F(Registry, EightBitCallsSpeakUtf8AndBinaryStaysRaw) {
  HKEY key = create(HKEY_CLASSES_ROOT, "text");
  setString(key, "caf\xC3\xA9", "gr\xC3\xBC\xC3\x9F");
  // The UTF-16 side sees the letters, not their bytes.
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_EQ(valueAt(key, 0, &type, data), u"caf\u00E9");
  EXPECT_EQ(textOf(data), u"gr\u00FC\u00DF");
  EXPECT_EQ(data.size(), 10u);
  const BYTE raw[] = {0xFF, 0x00, 0xC3};
  ASSERT_EQ(RegSetValueExA(key, "bin", 0, REG_BINARY, raw, 3), ERROR_SUCCESS);
  EXPECT_EQ(valueAt(key, 1, &type, data), u"bin");
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(data, std::vector<BYTE>(raw, raw + 3));
  // Names fold case for Latin-1 letters too.
  EXPECT_EQ(RegDeleteValueA(key, "CAF\xC3\x89"), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(Registry, EightBitCallsKeepMalformedUtf8ByteByByte) {
  HKEY key = create(HKEY_CLASSES_ROOT, "text");
  // An overlong NUL in the name; in the data a sequence cut short by a
  // letter, then a character beyond the 16-bit range.
  setString(key, "bad\xC0\x80", "x\xE2\x82y\xF0\x9F\x8E\xA8");
  // Each byte that is not UTF-8 is U+DC00 plus the byte in UTF-16.
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_EQ(valueAt(key, 0, &type, data), u"bad\xDCC0\xDC80");
  EXPECT_EQ(textOf(data), u"x\xDCE2\xDC82y\U0001F3A8");
  EXPECT_EQ(data.size(), 7 * sizeof(char16_t));
  RegCloseKey(key);
}

TEST_F(Registry, ManyThreadsWritingAndReadingKeepEachCallWhole) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        std::string path = "threads\\t" + std::to_string(t) + "\\k" + std::to_string(i % 10);
        HKEY key;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
          continue;
        DWORD value = static_cast<DWORD>(i);
        RegSetValueExA(key, "n", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4);
        char16_t name[4];
        DWORD back = 0, length = 4, size = 4;
        RegEnumValueW(key, 0, name, &length, nullptr, nullptr, reinterpret_cast<BYTE*>(&back), &size);
        RegCloseKey(key);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
      }
    });
  for (auto& th : threads) th.join();
  DWORD subkeys = 99;
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "threads", 0, KEY_READ, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 4u);
  RegCloseKey(key);
  EXPECT_EQ(ZolmRegistryOpenHandles(), 0u);
}
