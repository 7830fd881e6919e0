// BSTR allocation: the length word before the text, the terminator after it,
// embedded NULs kept by length, and null standing for the empty string.
#include "platform/oleauto.h"

#include <gtest/gtest.h>

TEST(Bstr, LengthWordPrecedesTerminatedText) {
  BSTR s = SysAllocString(OLESTR("Fonts"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 5u);
  uint32_t word;
  std::memcpy(&word, reinterpret_cast<char*>(s) - 4, 4);
  EXPECT_EQ(word, 10u);
  EXPECT_EQ(s[5], 0);
  SysFreeString(s);
}

TEST(Bstr, LengthCountsEmbeddedNuls) {
  const OLECHAR text[] = {u'a', 0, u'b'};
  BSTR s = SysAllocStringLen(text, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(s[2], u'b');
  EXPECT_EQ(s[3], 0);
  SysFreeString(s);

  BSTR blank = SysAllocStringLen(nullptr, 4);
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(SysStringLen(blank), 4u);
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(blank[i], 0);
  SysFreeString(blank);
}

TEST(Bstr, NullIsTheEmptyString) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR empty = SysAllocString(OLESTR(""));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
}

TEST(Bstr, ImpossibleLengthsFailInsteadOfWrapping) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
}
