// The font file object over a font table the test writes: prefix matching,
// the buffer limits and the entries that do not fit, which key is read, the
// fonts directory, and searches running on several threads at once.
#include "automation/fontFile.h"

#include "automation/fontTableEnum.h"
#include "automation/windowsVersion.h"
#include "server/comObject.h"
#include "platform/host/registryTesting.h"
#include "platform/winreg.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

const char16_t kNtFonts[] = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char16_t kOldFonts[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

class FontFile : public ::testing::Test {
 protected:
  void SetUp() override { ZolmRegistryReset(FALSE); }
  void TearDown() override {
    EXPECT_EQ(ZolmRegistryOpenHandles(), 0u);  // every search closed its key
    ZolmRegistryReset(TRUE);
  }

  // A value whose data is the given bytes exactly.
  static void addRaw(const char16_t* table, const std::u16string& name, const void* data,
                     DWORD size, DWORD type = REG_SZ) {
    HKEY key;
    const std::u16string path(table);  // ASCII: the same bytes as UTF-8
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, std::string(path.begin(), path.end()).c_str(), 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  static void add(const std::u16string& name, const std::u16string& file,
                  const char16_t* table = kNtFonts) {
    addRaw(table, name, file.c_str(), static_cast<DWORD>((file.size() + 1) * 2));
  }

  // GetFileName's answer: the file, or "-" for no match.
  static std::u16string lookUp(const char16_t* fontName) {
    CComObject<CFontFile> object;
    BSTR name = SysAllocString(fontName);
    VARIANT file;
    VariantInit(&file);
    VARIANT_BOOL found = 99;
    EXPECT_EQ(object.GetFileName(name, &file, &found), S_OK);
    SysFreeString(name);
    std::u16string answer = u"-";
    if (found == VARIANT_TRUE) {
      EXPECT_EQ(file.vt, VT_BSTR);
      answer = file.bstrVal;
    } else {
      EXPECT_EQ(found, VARIANT_FALSE);
      EXPECT_EQ(file.vt, VT_EMPTY);
    }
    VariantClear(&file);
    return answer;
  }
};

}  // namespace

TEST_F(FontFile, NullOrEmptyNameAnswersFalseAndLeavesTheFileAlone) {
  add(u"Arial (TrueType)", u"arial.ttf");
  CComObject<CFontFile> object;
  VARIANT file;
  file.vt = VT_I4;
  file.lVal = 42;
  VARIANT_BOOL found = VARIANT_TRUE;
  EXPECT_EQ(object.GetFileName(nullptr, &file, &found), S_OK);
  EXPECT_EQ(found, VARIANT_FALSE);
  BSTR empty = SysAllocString(u"");
  found = VARIANT_TRUE;
  EXPECT_EQ(object.GetFileName(empty, &file, &found), S_OK);
  EXPECT_EQ(found, VARIANT_FALSE);
  EXPECT_EQ(file.vt, VT_I4);
  EXPECT_EQ(file.lVal, 42);
  SysFreeString(empty);
  EXPECT_EQ(object.GetFileName(nullptr, &file, nullptr), E_POINTER);
}

TEST_F(FontFile, NameBeginningMatchesInEitherCaseFirstInOrderWins) {
  add(u"Courier 10,12,15", u"coure.fon");
  add(u"Arial Black (TrueType)", u"ariblk.ttf");
  add(u"Arial (TrueType)", u"arial.ttf");
  EXPECT_EQ(lookUp(u"arial"), u"ariblk.ttf");  // a family name matches a longer name
  EXPECT_EQ(lookUp(u"ARIAL ("), u"arial.ttf");
  EXPECT_EQ(lookUp(u"courier 10,12,15"), u"coure.fon");
  EXPECT_EQ(lookUp(u"Arial (TrueType) Extra"), u"-");  // longer than every name
  EXPECT_EQ(lookUp(u"Times"), u"-");
}

TEST_F(FontFile, OnlyAsciiLettersFoldCase) {
  add(u"\u00C9l\u00E9gant (TrueType)", u"elegant.ttf");
  EXPECT_EQ(lookUp(u"\u00E9L\u00E9GANT"), u"-");
  EXPECT_EQ(lookUp(u"\u00C9L\u00E9GANT"), u"elegant.ttf");
}

TEST_F(FontFile, AnswerReplacesAndReleasesWhatTheVariantHeld) {
  add(u"Arial (TrueType)", u"arial.ttf");
  CComObject<CFontFile> object;
  BSTR name = SysAllocString(u"Arial");
  VARIANT file;
  file.vt = VT_BSTR;
  file.bstrVal = SysAllocString(u"previous");  // freed by the call (the leak check sees it)
  VARIANT_BOOL found = VARIANT_FALSE;
  ASSERT_EQ(object.GetFileName(name, &file, &found), S_OK);
  EXPECT_EQ(found, VARIANT_TRUE);
  EXPECT_EQ(std::u16string(file.bstrVal), u"arial.ttf");
  VariantClear(&file);
  SysFreeString(name);
}

TEST_F(FontFile, EntriesThatDoNotFitArePassedOver) {
  // 130 characters and a terminator: 262 bytes, more than the 259 offered.
  add(u"Wanted Long (TrueType)", std::u16string(130, u'x'));
  add(std::u16string(260, u'W'), u"longname.ttf");  // no room for the terminator
  add(u"Wanted (TrueType)", u"wanted.ttf");
  EXPECT_EQ(lookUp(u"wanted"), u"wanted.ttf");
  EXPECT_EQ(lookUp(u"WWW"), u"-");
}

TEST_F(FontFile, LongestDataThatFitsIsReadWhole) {
  const std::u16string limit(128, u'f');  // 128 characters and a terminator: 258 bytes
  add(u"Edge (TrueType)", limit);
  EXPECT_EQ(lookUp(u"Edge"), limit);
  const std::u16string name(259, u'N');  // the longest name with its terminator
  add(name, u"n.ttf");
  EXPECT_EQ(lookUp(name.c_str()), u"n.ttf");
}

TEST_F(FontFile, DataWithoutTerminatorIsTerminated) {
  const char16_t bare[] = {u'a', u'b', u'c'};
  addRaw(kNtFonts, u"Bare (TrueType)", bare, sizeof bare, REG_BINARY);
  const std::u16string full(129, u'q');  // 258 bytes, no terminator
  addRaw(kNtFonts, u"Full (TrueType)", full.data(), 258);
  const std::u16string odd(130, u'r');  // 259 bytes offered and used: half a character lost
  addRaw(kNtFonts, u"Odd (TrueType)", odd.data(), 259);
  EXPECT_EQ(lookUp(u"Bare"), u"abc");
  EXPECT_EQ(lookUp(u"Full"), full);
  EXPECT_EQ(lookUp(u"Odd"), std::u16string(129, u'r'));
}

TEST_F(FontFile, TheTableOfTheRunningVersionIsRead) {
  ASSERT_EQ(GetWindowsVersionCode(), 107);  // the host answers as Windows 10
  add(u"Old (TrueType)", u"old.ttf", kOldFonts);
  add(u"New (TrueType)", u"new.ttf", kNtFonts);
  EXPECT_EQ(lookUp(u"Old"), u"-");
  EXPECT_EQ(lookUp(u"New"), u"new.ttf");
  EXPECT_EQ(std::u16string(FontTablePath(0)), kOldFonts);
  EXPECT_EQ(std::u16string(FontTablePath(7)), kOldFonts);
  EXPECT_EQ(std::u16string(FontTablePath(201)), kOldFonts);
  EXPECT_EQ(std::u16string(FontTablePath(101)), kNtFonts);
  EXPECT_EQ(std::u16string(FontTablePath(107)), kNtFonts);
}

TEST_F(FontFile, MissingTableAnswersFalse) { EXPECT_EQ(lookUp(u"Arial"), u"-"); }

// The steps of a search, one test per mode: every combination of path and
// outputs falls into exactly one of them.
TEST_F(FontFile, EnumerationWithAPathOpensAndReadsTheFirstValue) {
  add(u"A (TrueType)", u"a.ttf");
  add(u"B (TrueType)", u"b.ttf");
  char16_t name[kFontNameChars], data[kFontDataBytes / 2];
  struct Outputs {
    char16_t* name;
    char16_t* data;
  } combinations[] = {{name, data}, {name, nullptr}, {nullptr, data}, {nullptr, nullptr}};
  for (const Outputs& outputs : combinations) {
    FontEnumeration search;
    ASSERT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, kNtFonts, nullptr, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, nullptr, name, nullptr), ERROR_SUCCESS);
    // Opening again starts over at value 0 and fills only the outputs given.
    name[0] = data[0] = u'#';
    name[1] = data[1] = 0;
    ASSERT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, kNtFonts, outputs.name, outputs.data),
              ERROR_SUCCESS);
    EXPECT_EQ(search.fontsValueIndex, 0u);
    EXPECT_EQ(std::u16string(name), outputs.name ? u"A (TrueType)" : u"#");
    EXPECT_EQ(std::u16string(data), outputs.data ? u"a.ttf" : u"#");
    // A path that cannot be opened changes nothing.
    EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, u"Nothing\\Here", outputs.name, outputs.data),
              ERROR_FILE_NOT_FOUND);
    EXPECT_NE(search.fontsKey, nullptr);
    EXPECT_EQ(search.fontsValueIndex, 0u);
    EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  }
}

TEST_F(FontFile, EnumerationWithAnEmptyPathOrAnOutputReadsTheNextValue) {
  add(u"A (TrueType)", u"a.ttf");
  add(u"B (TrueType)", u"b.ttf");
  add(u"C (TrueType)", u"c.ttf");
  FontEnumeration search;
  char16_t name[kFontNameChars], data[kFontDataBytes / 2];
  ASSERT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, kNtFonts, nullptr, nullptr), ERROR_SUCCESS);
  // An empty path without outputs moves on and reads, keeping the key open.
  EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, u"", nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(search.fontsValueIndex, 1u);
  EXPECT_NE(search.fontsKey, nullptr);
  ASSERT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, u"", nullptr, data), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(data), u"c.ttf");
  EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, u"", nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  // Without a path any output reads on; the outputs given are emptied when
  // nothing is left.
  name[0] = data[0] = u'#';
  EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, nullptr, name, nullptr), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, u"", name, data), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(name[0], 0);
  EXPECT_EQ(data[0], 0);
  EXPECT_EQ(search.fontsValueIndex, 5u);
  EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  // With no key open a read is refused, not followed.
  EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, u"", name, nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(FontFile, EnumerationWithoutPathOrOutputsCloses) {
  add(u"A (TrueType)", u"a.ttf");
  FontEnumeration search;
  EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, kNtFonts, nullptr, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(ZolmRegistryOpenHandles(), 1u);
  EXPECT_EQ(EnumFontValue(search, HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(search.fontsKey, nullptr);
  EXPECT_EQ(ZolmRegistryOpenHandles(), 0u);
}

TEST_F(FontFile, SearchesOnSeveralThreadsEachGetTheirOwnAnswer) {
  for (int i = 0; i < 50; ++i)
    add(u"Filler " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u" (TrueType)",
        u"filler.ttf");
  add(u"Alpha (TrueType)", u"alpha.ttf");
  add(u"Beta (TrueType)", u"beta.ttf");
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &wrong] {
      const bool alpha = t % 2 == 0;
      for (int i = 0; i < 100; ++i) {
        std::u16string answer = lookUp(alpha ? u"alpha" : u"beta");
        if (answer != (alpha ? u"alpha.ttf" : u"beta.ttf")) ++wrong[t];
      }
    });
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

TEST_F(FontFile, InstalledFontsAreFound) {
  ZolmRegistryReset(TRUE);
  std::u16string file = lookUp(u"dejavu sans bold");
  ASSERT_GT(file.size(), 19u);
  EXPECT_EQ(file.substr(file.size() - 19), u"DejaVuSans-Bold.ttf");
}

TEST_F(FontFile, FontDirectoryIsBelowTheWindowsDirectory) {
  CComObject<CFontFile> object;
  BSTR dir = nullptr;
  ASSERT_EQ(object.GetFontDirectory(&dir), S_OK);
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(std::u16string(dir), u"/usr/share/fonts");
  SysFreeString(dir);
  EXPECT_EQ(object.GetFontDirectory(nullptr), E_POINTER);
}

TEST(WindowsVersion, CodesOfTheWindows95Line) {
  EXPECT_EQ(WindowsVersionCode(1, 4, 0, 949), 0);
  EXPECT_EQ(WindowsVersionCode(1, 4, 0, 950), 1);
  EXPECT_EQ(WindowsVersionCode(1, 4, 0, 951), 2);
  EXPECT_EQ(WindowsVersionCode(1, 4, 0, 1080), 2);
  EXPECT_EQ(WindowsVersionCode(1, 4, 0, 1111), 3);
  EXPECT_EQ(WindowsVersionCode(1, 4, 3, 0x040003B6), 1);  // only the low 16 bits: 950
  EXPECT_EQ(WindowsVersionCode(1, 4, 10, 1997), 0);
  EXPECT_EQ(WindowsVersionCode(1, 4, 10, 1998), 4);
  EXPECT_EQ(WindowsVersionCode(1, 4, 10, 2182), 5);
  EXPECT_EQ(WindowsVersionCode(1, 4, 10, 2222), 6);
  EXPECT_EQ(WindowsVersionCode(1, 4, 90, 0), 7);
  EXPECT_EQ(WindowsVersionCode(1, 4, 50, 3000), 0);
  EXPECT_EQ(WindowsVersionCode(1, 5, 0, 950), 0);
}

TEST(WindowsVersion, CodesOfTheNtLineAndOthers) {
  EXPECT_EQ(WindowsVersionCode(2, 3, 51, 1057), 101);
  EXPECT_EQ(WindowsVersionCode(2, 4, 0, 1381), 102);
  EXPECT_EQ(WindowsVersionCode(2, 5, 0, 2195), 103);
  EXPECT_EQ(WindowsVersionCode(2, 5, 1, 2600), 104);
  EXPECT_EQ(WindowsVersionCode(2, 6, 0, 6002), 105);
  EXPECT_EQ(WindowsVersionCode(2, 6, 1, 7601), 106);
  EXPECT_EQ(WindowsVersionCode(2, 10, 0, 19045), 107);
  EXPECT_EQ(WindowsVersionCode(2, 10, 3, 0), 107);
  EXPECT_EQ(WindowsVersionCode(2, 5, 2, 3790), 0);
  EXPECT_EQ(WindowsVersionCode(2, 6, 2, 9200), 0);
  EXPECT_EQ(WindowsVersionCode(2, 11, 0, 0), 0);
  EXPECT_EQ(WindowsVersionCode(3, 5, 0, 0), 201);
  EXPECT_EQ(WindowsVersionCode(0, 4, 0, 950), 0);
  EXPECT_EQ(WindowsVersionCode(4, 10, 0, 0), 0);
}
