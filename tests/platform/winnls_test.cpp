// The host's 8-bit text services: UTF-8 stepping, case-blind comparison, the
// code page answers and the conversions between UTF-8 and UTF-16.
#include "platform/winnls.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fileapi.h"

TEST(CharNextA, StepsOverWholeUtf8Sequences) {
  const char text[] = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80z";
  const char* p = text;
  p = CharNextA(p);
  EXPECT_EQ(p, text + 1);
  p = CharNextA(p);
  EXPECT_EQ(p, text + 3);
  p = CharNextA(p);
  EXPECT_EQ(p, text + 6);
  p = CharNextA(p);
  EXPECT_EQ(p, text + 10);
  p = CharNextA(p);
  EXPECT_EQ(p, text + 11);
  EXPECT_EQ(CharNextA(p), p);  // at the terminator it stays
}

TEST(CharNextA, NeverStepsPastATerminatorInsideASequence) {
  const char cut[] = "\xE2\x82";
  EXPECT_EQ(CharNextA(cut), cut + 2);
  const char stray[] = "\x80x";
  EXPECT_EQ(CharNextA(stray), stray + 1);
}

TEST(lstrcmpiA, ComparesWithoutRegardToCase) {
  EXPECT_EQ(lstrcmpiA("NoRemove", "noremove"), 0);
  EXPECT_LT(lstrcmpiA("abc", "ABD"), 0);
  EXPECT_GT(lstrcmpiA("b", "A"), 0);
  EXPECT_LT(lstrcmpiA("Val", "Value"), 0);
}

TEST(CodePage, HostAnsiCodePageIsUtf8) {
  EXPECT_EQ(GetACP(), 65001u);
  EXPECT_FALSE(IsDBCSLeadByte(0x81));
  char digits[7];
  EXPECT_EQ(GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, digits, 7), 6);
  EXPECT_STREQ(digits, "65001");
  char small[3];
  EXPECT_EQ(GetLocaleInfoA(0x0409, LOCALE_IDEFAULTANSICODEPAGE, small, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(MultiByteToWideChar, DecodesUtf8IncludingSurrogatePairs) {
  const char text[] = "A\xC3\xA4\xF0\x9F\x98\x80";
  EXPECT_EQ(MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0), 5);
  WCHAR out[5];
  ASSERT_EQ(MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, out, 5), 5);
  EXPECT_EQ(out[0], u'A');
  EXPECT_EQ(out[1], u'\u00E4');
  EXPECT_EQ(out[2], 0xD83D);
  EXPECT_EQ(out[3], 0xDE00);
  EXPECT_EQ(out[4], 0);
}

// Bytes that are not UTF-8 keep their value: each becomes U+DC00 plus the
// byte and comes back as that byte; an overlong form is no character.
TEST(MultiByteToWideChar, KeepsMalformedBytesAndRespectsCapacity) {
  const char bad[] = "\xC0\xAFx\xE9\xED\xA0\x80\xF4\x90\x80\x80";  // overlong '/', Latin-1, surrogate, > U+10FFFF
  WCHAR out[16];
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, bad, -1, out, 16), 12);
  const WCHAR expected[] = {0xDCC0, 0xDCAF, u'x', 0xDCE9, 0xDCED, 0xDCA0, 0xDC80, 0xDCF4, 0xDC90, 0xDC80, 0xDC80, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(out[i], expected[i]) << i;
  char back[16];
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, out, -1, back, sizeof back, nullptr, nullptr), 12);
  EXPECT_EQ(std::string(back), std::string(bad));
  WCHAR tiny[2] = {0x1111, 0x2222};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, tiny, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, out, 4), 0);
}

TEST(WideCharToMultiByte, EncodesUtf8AndReplacesOtherLoneSurrogates) {
  const WCHAR text[] = {u'A', 0x00E4, 0xD83D, 0xDE00, 0xDC00, 0};
  char out[16];
  int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr);
  ASSERT_EQ(n, 11);
  EXPECT_EQ(std::string(out), "A\xC3\xA4\xF0\x9F\x98\x80\xEF\xBF\xBD");
  char tiny[3];
  EXPECT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, tiny, 3, nullptr, nullptr), 0);
}
