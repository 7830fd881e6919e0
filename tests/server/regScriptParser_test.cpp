// Reading a registration script: expansion of %NAME% replacements, tokens
// (quoting, blanks, the length limit), the lookup tables and the registrar's
// replacement table.
#include "server/registrar/regScriptParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/objbase.h"
#include "server/registrar/regObject.h"
#include "server/registrar/replacements.h"

namespace {

// Every token of text, or the failure that stopped the reading.
std::vector<std::string> Tokens(const char* text, HRESULT* failure = nullptr) {
  CRegObject registrar;
  CRegScriptParser parser(registrar.Replacements());
  parser.SetCursor(text);
  std::vector<std::string> tokens;
  RegToken token;
  for (;;) {
    parser.SkipBlanks();
    if (*parser.Cursor() == '\0') break;
    HRESULT hr = parser.ReadToken(token);
    if (FAILED(hr)) {
      if (failure != nullptr) *failure = hr;
      break;
    }
    tokens.emplace_back(token);
  }
  return tokens;
}

HRESULT Expand(CRegObject& registrar, const char* text, std::string& out) {
  CRegScriptParser parser(registrar.Replacements());
  LPSTR expanded = reinterpret_cast<LPSTR>(0x1);
  HRESULT hr = parser.ExpandReplacements(text, &expanded);
  if (SUCCEEDED(hr)) {
    out = expanded;
    CoTaskMemFree(expanded);
  } else {
    EXPECT_EQ(expanded, nullptr);
  }
  return hr;
}

}  // namespace

TEST(ReadToken, QuotedTokensTakeDoubledQuotesAsOne) {
  EXPECT_EQ(Tokens("'It''s' '''' ''"), (std::vector<std::string>{"It's", "'", ""}));
  EXPECT_EQ(Tokens("'a b\tc'"), (std::vector<std::string>{"a b\tc"}));
  // A quoted token ends at its closing quote even without a blank after it.
  EXPECT_EQ(Tokens("'abc'def"), (std::vector<std::string>{"abc", "def"}));
}

TEST(ReadToken, UnquotedTokensRunToTheNextBlank) {
  EXPECT_EQ(Tokens("A=s {x} it's"), (std::vector<std::string>{"A=s", "{x}", "it's"}));
  EXPECT_EQ(Tokens("\r\n\ta \t\r\n b"), (std::vector<std::string>{"a", "b"}));
  // Vertical tab and form feed are not blanks.
  EXPECT_EQ(Tokens("a\vb\fc"), (std::vector<std::string>{"a\vb\fc"}));
}

TEST(ReadToken, MissingTokenOrClosingQuoteIsAnError) {
  CRegObject registrar;
  CRegScriptParser parser(registrar.Replacements());
  RegToken token;
  parser.SetCursor(" \r\n\t ");
  EXPECT_EQ(parser.ReadToken(token), DISP_E_EXCEPTION);
  HRESULT failure = S_OK;
  EXPECT_EQ(Tokens("good 'never closed", &failure), (std::vector<std::string>{"good"}));
  EXPECT_EQ(failure, DISP_E_EXCEPTION);
  failure = S_OK;
  Tokens("'ends with a doubled quote''", &failure);
  EXPECT_EQ(failure, DISP_E_EXCEPTION);
}

TEST(ReadToken, TokensHoldAtMost4094Bytes) {
  std::string longest(4094, 'k');
  EXPECT_EQ(Tokens(longest.c_str()), (std::vector<std::string>{longest}));
  HRESULT failure = S_OK;
  EXPECT_TRUE(Tokens((longest + "k").c_str(), &failure).empty());
  EXPECT_EQ(failure, DISP_E_EXCEPTION);
  failure = S_OK;
  EXPECT_TRUE(Tokens(("'" + longest + "k'").c_str(), &failure).empty());
  EXPECT_EQ(failure, DISP_E_EXCEPTION);
  // A two-byte character that would pass the limit is not split.
  failure = S_OK;
  EXPECT_TRUE(Tokens((std::string(4093, 'k') + "\xC3\xA4").c_str(), &failure).empty());
  EXPECT_EQ(failure, DISP_E_EXCEPTION);
  EXPECT_EQ(Tokens((std::string(4092, 'k') + "\xC3\xA4").c_str()).at(0).size(), 4094u);
}

TEST(ExpandReplacements, ReplacesNamesWithoutRegardToCase) {
  CRegObject registrar;
  ASSERT_EQ(registrar.SetReplacement(OLESTR("APPID"), OLESTR("")), S_OK);
  ASSERT_EQ(registrar.SetReplacement(OLESTR("Module"), OLESTR("C:\\it''s.dll")), S_OK);
  ASSERT_EQ(registrar.SetReplacement(OLESTR("module"), OLESTR("later")), S_OK);
  ASSERT_EQ(registrar.SetReplacement(OLESTR("Self"), OLESTR("%Module%")), S_OK);
  std::string out;
  ASSERT_EQ(Expand(registrar, "s '%MODULE%' [%appid%] 100%% %Self%", out), S_OK);
  // The earlier pair wins; an empty value expands to nothing; values are not
  // scanned again.
  EXPECT_EQ(out, "s 'C:\\it''s.dll' [] 100% %Module%");
}

TEST(ExpandReplacements, NameLengthAndUnknownNames) {
  CRegObject registrar;
  std::string name31(31, 'n');
  std::u16string wide31(name31.begin(), name31.end());
  ASSERT_EQ(registrar.SetReplacement(reinterpret_cast<LPCOLESTR>(wide31.c_str()), OLESTR("v")),
            S_OK);
  std::string out;
  EXPECT_EQ(Expand(registrar, ("<%" + name31 + "%>").c_str(), out), S_OK);
  EXPECT_EQ(out, "<v>");
  EXPECT_EQ(Expand(registrar, ("%" + name31 + "x%").c_str(), out), E_FAIL);
  EXPECT_EQ(Expand(registrar, "%Unknown%", out), DISP_E_EXCEPTION);
  EXPECT_EQ(Expand(registrar, "no closing %here", out), DISP_E_EXCEPTION);
  CRegScriptParser parser(registrar.Replacements());
  LPSTR expanded = nullptr;
  EXPECT_EQ(parser.ExpandReplacements(nullptr, &expanded), E_POINTER);
  EXPECT_EQ(parser.ExpandReplacements("x", nullptr), E_POINTER);
}

TEST(ExpandReplacements, GrowsForLongExpansions) {
  CRegObject registrar;
  std::u16string value(700, u'v');
  ASSERT_EQ(registrar.SetReplacement(OLESTR("V"), reinterpret_cast<LPCOLESTR>(value.c_str())),
            S_OK);
  std::string script;
  for (int i = 0; i < 50; ++i) script += "%V% ";
  std::string out;
  ASSERT_EQ(Expand(registrar, script.c_str(), out), S_OK);
  EXPECT_EQ(out.size(), 50u * 701u);
  EXPECT_EQ(out.find_first_not_of("v "), std::string::npos);
}

TEST(CExpandBuffer, StartsAtTwiceTheScriptAndDoubles) {
  CExpandBuffer small;
  ASSERT_TRUE(small.Init(49));
  EXPECT_EQ(small.Capacity(), 1000u);
  CExpandBuffer buffer;
  ASSERT_TRUE(buffer.Init(60));
  EXPECT_EQ(buffer.Capacity(), 120u);
  std::string chunk(119, 'x');
  ASSERT_TRUE(buffer.Append(chunk.data(), chunk.size()));
  // 119 bytes and the terminator reach the capacity: it doubles.
  EXPECT_EQ(buffer.Capacity(), 240u);
  std::string more(1000, 'y');
  ASSERT_TRUE(buffer.Append(more.data(), more.size()));
  EXPECT_EQ(buffer.Capacity(), 1920u);
  EXPECT_EQ(buffer.Length(), 1119u);
  EXPECT_EQ(buffer.Text()[1119], '\0');
  EXPECT_FALSE(buffer.Append(chunk.data(), static_cast<size_t>(-1) - 10));
}

TEST(Lookups, TablesCompareWithoutRegardToCase) {
  EXPECT_EQ(CRegScriptParser::RootKeyFromName("hkcr"), HKEY_CLASSES_ROOT);
  EXPECT_EQ(CRegScriptParser::RootKeyFromName("HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(CRegScriptParser::RootKeyFromName("HKDD"), HKEY_DYN_DATA);
  EXPECT_EQ(CRegScriptParser::RootKeyFromName("HKCC"), HKEY_CURRENT_CONFIG);
  EXPECT_EQ(CRegScriptParser::RootKeyFromName("HKXX"), nullptr);
  EXPECT_EQ(CRegScriptParser::ValueKindFromLetter("m"), kValueMultiString);
  EXPECT_EQ(CRegScriptParser::ValueKindFromLetter("B"), kValueBinary);
  EXPECT_EQ(CRegScriptParser::ValueKindFromLetter("SZ"), kValueUnknown);
  EXPECT_TRUE(CRegScriptParser::IsProtectedKeyName("component categories"));
  EXPECT_TRUE(CRegScriptParser::IsProtectedKeyName("SOFTWARE"));
  EXPECT_FALSE(CRegScriptParser::IsProtectedKeyName("Programmable"));
  EXPECT_EQ(CRegScriptParser::HexDigitValue('f'), 15);
  EXPECT_EQ(CRegScriptParser::HexDigitValue('A'), 10);
  EXPECT_EQ(CRegScriptParser::HexDigitValue('g'), 0);
}

TEST(CRegObject, IsNoComponentObject) {
  CRegObject registrar;
  void* out = &registrar;
  EXPECT_EQ(registrar.QueryInterface(IID_IUnknown, &out), E_NOTIMPL);
  EXPECT_EQ(out, &registrar);
  EXPECT_EQ(registrar.AddRef(), 1u);
  EXPECT_EQ(registrar.Release(), 0u);
  EXPECT_EQ(registrar.SetReplacement(nullptr, OLESTR("x")), E_INVALIDARG);
  EXPECT_EQ(registrar.SetReplacement(OLESTR("x"), nullptr), E_INVALIDARG);
  ASSERT_EQ(registrar.SetReplacement(OLESTR("x"), OLESTR("1")), S_OK);
  EXPECT_EQ(registrar.Replacements().Count(), 1);
  EXPECT_EQ(registrar.RemoveAllReplacements(), S_OK);
  EXPECT_EQ(registrar.Replacements().Count(), 0);
  EXPECT_EQ(registrar.Replacements().Lookup("x"), nullptr);
}
