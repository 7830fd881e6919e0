// The host's version and Windows directory answers, with the platform's
// checks of the structure size and the buffer size.
#include "platform/sysinfoapi.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

TEST(SysInfo, VersionIsWindows10OnlyForAKnownStructureSize) {
  OSVERSIONINFOA info;
  std::memset(&info, 0x55, sizeof info);
  info.dwOSVersionInfoSize = 148;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, 2u);
  EXPECT_EQ(info.dwMajorVersion, 10u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  EXPECT_EQ(info.szCSDVersion[0], 0);
  info.dwOSVersionInfoSize = 100;
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_FALSE(GetVersionExA(nullptr));
}

TEST(SysInfo, WindowsDirectoryHoldsTheFontsFolder) {
  char16_t buffer[260];
  UINT length = GetWindowsDirectoryW(buffer, 260);
  ASSERT_GT(length, 0u);
  std::u16string dir(buffer);
  EXPECT_EQ(dir.size(), length);
  std::u16string fonts = dir + ZOLM_FONTS_SUBDIRECTORY;
  std::string narrow(fonts.begin(), fonts.end());
  struct stat st;
  EXPECT_EQ(stat(narrow.c_str(), &st), 0) << narrow;
}

TEST(SysInfo, WindowsDirectoryTooSmallBufferIsUntouched) {
  char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
  UINT needed = GetWindowsDirectoryW(buffer, 4);
  EXPECT_GT(needed, 4u);
  EXPECT_EQ(buffer[0], u'x');
  char16_t exact[64];
  EXPECT_EQ(GetWindowsDirectoryW(exact, needed), needed - 1);
  EXPECT_EQ(GetWindowsDirectoryW(exact, needed - 1), needed);
}
