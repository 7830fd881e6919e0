// The in-process registry: result codes for missing keys and values, full
// buffers and the end of enumerations, the default value, case-insensitive
// names, access checks, bad handles, deleted keys, 8-bit text, and calls from
// several threads.
#include "platform/winreg.h"

#include "platform/host/registryTesting.h"

#include <gtest/gtest.h>
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

  // A text value read whole through the UTF-16 call, and its size in bytes.
  std::u16string wideText(HKEY key, const char16_t* name, DWORD* size) {
    char16_t data[32] = {};
    *size = sizeof data - sizeof data[0];  // the last unit stays a terminator
    EXPECT_EQ(RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), size),
              ERROR_SUCCESS);
    return data;
  }

  // The same through the 8-bit call.
  std::string narrowText(HKEY key, const char* name, DWORD* size) {
    char data[64] = {};
    *size = sizeof data - 1;
    EXPECT_EQ(RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), size),
              ERROR_SUCCESS);
    return data;
  }
};

}  // namespace

TEST_F(Registry, MissingKeysAndValuesAreFileNotFound) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{nothing}", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  HKEY made = create(HKEY_CLASSES_ROOT, "CLSID\\{abc}");
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(made, "missing", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
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
  char buffer[64];
  DWORD size = sizeof buffer, type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(buffer, "PaletteLoader Class");
  EXPECT_EQ(size, 20u);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "curver", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "two");
  DWORD count = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(count, 2u);
  RegCloseKey(key);
}

TEST_F(Registry, FullBuffersGiveMoreDataAndTheSizeNeeded) {
  HKEY key = create(HKEY_LOCAL_MACHINE, "t");
  setString(key, "name", "0123456789");
  char buffer[4];
  DWORD size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 11u);
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "name", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 11u);

  // The UTF-16 view: 11 characters with the terminator, 22 bytes.
  char16_t name[8], data[32];
  DWORD nameLength = 8, dataSize = 21;
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
  char name[32];
  DWORD length = sizeof name;
  ASSERT_EQ(RegEnumValueA(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "second");  // in the order they were made
  length = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  length = sizeof name;
  ASSERT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "sub1");
  length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  DWORD subkeys = 0, maxName = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxName, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 2u);
  EXPECT_EQ(maxName, 4u);
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
  DWORD size = 0;
  EXPECT_EQ(RegOpenKeyExA(bogus, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(bogus, "x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
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
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(Registry, EightBitCallsSpeakUtf8AndBinaryStaysRaw) {
  HKEY key = create(HKEY_CLASSES_ROOT, "text");
  setString(key, "caf\xC3\xA9", "gr\xC3\xBC\xC3\x9F");
  // The UTF-16 side sees the letters, not their bytes; names fold case.
  DWORD size = 0;
  EXPECT_EQ(wideText(key, u"CAF\u00C9", &size), u"gr\u00FC\u00DF");
  EXPECT_EQ(size, 10u);
  const BYTE raw[] = {0xFF, 0x00, 0xC3};
  ASSERT_EQ(RegSetValueExA(key, "bin", 0, REG_BINARY, raw, 3), ERROR_SUCCESS);
  BYTE back[8];
  size = sizeof back;
  DWORD type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "bin", nullptr, &type, back, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(size, 3u);
  EXPECT_EQ(std::memcmp(back, raw, 3), 0);
  RegCloseKey(key);
}

TEST_F(Registry, EightBitCallsKeepMalformedUtf8ByteByByte) {
  HKEY key = create(HKEY_CLASSES_ROOT, "text");
  // An overlong NUL in the name; in the data a sequence cut short by a
  // letter, then a character beyond the 16-bit range.
  setString(key, "bad\xC0\x80", "x\xE2\x82y\xF0\x9F\x8E\xA8");
  DWORD size = 0;
  // Each byte that is not UTF-8 is U+DC00 plus the byte in UTF-16 ...
  EXPECT_EQ(wideText(key, u"bad\xDCC0\xDC80", &size), u"x\xDCE2\xDC82y\U0001F3A8");
  EXPECT_EQ(size, 7 * sizeof(char16_t));
  // ... and that byte again through the 8-bit call.
  EXPECT_EQ(narrowText(key, "bad\xC0\x80", &size), "x\xE2\x82y\xF0\x9F\x8E\xA8");
  EXPECT_EQ(size, 9u);
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
        DWORD back = 0, size = 4;
        RegQueryValueExA(key, "n", nullptr, nullptr, reinterpret_cast<BYTE*>(&back), &size);
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
