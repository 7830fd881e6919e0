// The host's GUID strings, task allocator and per-thread initialisation.
#include "platform/objbase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const GUID kSample = {0x74FCDF8C, 0x45F4, 0x4BAC, {0xBD, 0xE0, 0x68, 0x45, 0x37, 0x41, 0xE8, 0xD2}};

std::u16string Text(const OLECHAR* text) { return std::u16string(text); }

TEST(GuidStrings, FormatsInRegistryForm) {
  OLECHAR buffer[CHARS_IN_GUID];
  ASSERT_EQ(StringFromGUID2(kSample, buffer, CHARS_IN_GUID), 39);
  EXPECT_EQ(Text(buffer), u"{74FCDF8C-45F4-4BAC-BDE0-68453741E8D2}");
}

TEST(GuidStrings, RefusesSmallBuffer) {
  OLECHAR buffer[CHARS_IN_GUID] = {u'x'};
  EXPECT_EQ(StringFromGUID2(kSample, buffer, CHARS_IN_GUID - 1), 0);
  EXPECT_EQ(buffer[0], u'x');
}

TEST(GuidStrings, ParsesBothCases) {
  CLSID parsed{};
  ASSERT_EQ(CLSIDFromString(u"{74fcdf8c-45f4-4bac-bde0-68453741e8d2}", &parsed), S_OK);
  EXPECT_TRUE(IsEqualGUID(parsed, kSample));
}

TEST(GuidStrings, RejectsMalformedText) {
  CLSID parsed{};
  for (const char16_t* bad :
       {u"", u"{", u"{74FCDF8C-45F4-4BAC-BDE0-68453741E8D2", u"{74FCDF8C-45F4-4BAC-BDE0-68453741E8D2}x",
        u"{74FCDF8C+45F4-4BAC-BDE0-68453741E8D2}", u"{74FCDF8G-45F4-4BAC-BDE0-68453741E8D2}",
        u"{74FCDF8C-45F4-4BAC-BDE0-68453741E8D}", u"74FCDF8C-45F4-4BAC-BDE0-68453741E8D2"}) {
    EXPECT_NE(CLSIDFromString(bad, &parsed), S_OK);
  }
  EXPECT_EQ(CLSIDFromString(nullptr, &parsed), E_INVALIDARG);
}

TEST(TaskAllocator, ReallocKeepsContents) {
  char* block = static_cast<char*>(CoTaskMemAlloc(4));
  ASSERT_NE(block, nullptr);
  std::memcpy(block, "abc", 4);
  block = static_cast<char*>(CoTaskMemRealloc(block, 4096));
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block, "abc");
  CoTaskMemFree(block);
  CoTaskMemFree(nullptr);
  void* empty = CoTaskMemAlloc(0);
  EXPECT_NE(empty, nullptr);
  CoTaskMemFree(empty);
}

TEST(ComInit, CountsPerThread) {
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  CoUninitialize();
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  CoUninitialize();
}

}  // namespace
