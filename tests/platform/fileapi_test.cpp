// The host's file calls: the platform's error codes for POSIX failures,
// names in UTF-16, positions without a high part, and the thread's own last
// error.
#include "platform/fileapi.h"
#include "platform/winbase.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "tests/image/imageTestFiles.h"

using testfiles::scratchPath;
using testfiles::wide;

namespace {

HANDLE openRead(const std::string& path) {
  return CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

TEST(HostFileApi, MissingFilesAndDirectoriesGiveThePlatformsCodes) {
  EXPECT_EQ(openRead(scratchPath("none")), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  testfiles::writeFile(scratchPath("plain"), std::vector<uint8_t>{1});
  EXPECT_EQ(openRead(scratchPath("plain/below")), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(openRead(testfiles::scratchDir()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(CreateFileW(u"", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(HostFileApi, LoneSurrogateIsNotAName) {
  const char16_t name[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ(CreateFileW(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  const char16_t low[] = {u'a', 0xDC00, 0};
  EXPECT_EQ(CreateFileW(low, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  const char16_t highAtEnd[] = {u'a', 0xD83C, 0};
  EXPECT_EQ(CreateFileW(highAtEnd, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST(HostFileApi, NamesBeyondSixteenBitsReachTheFileByTheirUtf8) {
  testfiles::writeFile(scratchPath("pal\xC3\xA9tte \xF0\x9F\x8E\xA8"), std::vector<uint8_t>{1, 2});
  const std::u16string name = wide(testfiles::scratchDir()) + u"/pal\u00E9tte \U0001F3A8";
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 2u);
  CloseHandle(file);
}

TEST(HostFileApi, CreateNewRefusesAnExistingFile) {
  testfiles::writeFile(scratchPath("exists"), std::vector<uint8_t>{1});
  EXPECT_EQ(CreateFileW(wide(scratchPath("exists")).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
}

TEST(HostFileApi, SeeksWithoutHighPartStayWithin32Bits) {
  testfiles::writeFile(scratchPath("seek"), std::vector<uint8_t>(100, 7));
  HANDLE file = openRead(scratchPath("seek"));
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(SetFilePointer(file, -10, nullptr, FILE_END), 90u);
  EXPECT_EQ(SetFilePointer(file, 5, nullptr, FILE_CURRENT), 95u);
  EXPECT_EQ(SetFilePointer(file, -200, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, 3), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 95u);
  LONG high = 1;
  EXPECT_EQ(SetFilePointer(file, 0, &high, FILE_BEGIN), 0u);  // 2^32 from the start
  EXPECT_EQ(high, 1);
  DWORD sizeHigh = 9;
  EXPECT_EQ(GetFileSize(file, &sizeHigh), 100u);
  EXPECT_EQ(sizeHigh, 0u);
  EXPECT_TRUE(CloseHandle(file));
}

TEST(HostFileApi, ReadsAndWritesFollowTheAccessAsked) {
  DeleteFileW(wide(scratchPath("access")).c_str());
  HANDLE file = CreateFileW(wide(scratchPath("access")).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD done = 7;
  uint8_t buffer[4] = {1, 2, 3, 4};
  EXPECT_FALSE(ReadFile(file, buffer, 4, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(done, 0u);
  EXPECT_TRUE(WriteFile(file, buffer, 4, &done, nullptr));
  EXPECT_EQ(done, 4u);
  CloseHandle(file);

  HANDLE reader = openRead(scratchPath("access"));
  uint8_t back[8] = {};
  EXPECT_TRUE(ReadFile(reader, back, 8, &done, nullptr));  // the end of the file is no error
  EXPECT_EQ(done, 4u);
  EXPECT_EQ(back[3], 4);
  EXPECT_FALSE(WriteFile(reader, buffer, 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CloseHandle(reader));
}

TEST(HostFileApi, ClosedAndForeignHandlesAreRefused) {
  testfiles::writeFile(scratchPath("close"), std::vector<uint8_t>{1});
  HANDLE file = openRead(scratchPath("close"));
  ASSERT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  DWORD done;
  uint8_t byte;
  EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(HostFileApi, LastErrorBelongsToTheThread) {
  SetLastError(1234);
  DWORD other = 0;
  std::thread([&] {
    other = GetLastError();
    SetLastError(99);
  }).join();
  EXPECT_EQ(other, 0u);
  EXPECT_EQ(GetLastError(), 1234u);
}

TEST(HostFileApi, MoveFileReplacesOnlyWhenAskedAndDeleteRemoves) {
  testfiles::writeFile(scratchPath("move-from"), std::vector<uint8_t>{1});
  testfiles::writeFile(scratchPath("move-to"), std::vector<uint8_t>{2, 2});
  const std::u16string from = wide(scratchPath("move-from")), to = wide(scratchPath("move-to"));
  EXPECT_FALSE(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(testfiles::readFile(scratchPath("move-to")), (std::vector<uint8_t>{2, 2}));
  EXPECT_TRUE(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(testfiles::readFile(scratchPath("move-to")), std::vector<uint8_t>{1});
  EXPECT_NE(access(scratchPath("move-from").c_str(), F_OK), 0);
  EXPECT_FALSE(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  EXPECT_TRUE(DeleteFileW(to.c_str()));
  EXPECT_NE(access(scratchPath("move-to").c_str(), F_OK), 0);
  EXPECT_FALSE(DeleteFileW(to.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileW(wide(testfiles::scratchDir()).c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(HostFileApi, ReplaceFileKeepsTheReplacedFilesPermissions) {
  const std::string replaced = scratchPath("replaced"), replacement = scratchPath("replacement");
  const std::u16string replacedName = wide(replaced), replacementName = wide(replacement);
  testfiles::writeFile(replacement, std::vector<uint8_t>{3});
  EXPECT_FALSE(ReplaceFileW(replacedName.c_str(), replacementName.c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  testfiles::writeFile(replaced, std::vector<uint8_t>{1, 1});
  ASSERT_EQ(0, chmod(replaced.c_str(), 0640));
  EXPECT_TRUE(ReplaceFileW(replacedName.c_str(), replacementName.c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(testfiles::readFile(replaced), std::vector<uint8_t>{3});
  struct stat info;
  ASSERT_EQ(0, stat(replaced.c_str(), &info));
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(HostFileApi, FileTypeTellsFilesDevicesAndPipesApart) {
  testfiles::writeFile(scratchPath("typed"), std::vector<uint8_t>{1});
  HANDLE file = openRead(scratchPath("typed"));
  EXPECT_EQ(GetFileType(file), FILE_TYPE_DISK);
  EXPECT_FALSE(FlushFileBuffers(file));  // opened for reading
  CloseHandle(file);
  HANDLE device = CreateFileW(u"/dev/null", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(GetFileType(device), FILE_TYPE_CHAR);
  CloseHandle(device);
  const std::string fifo = scratchPath("typed-fifo");
  unlink(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Read and write at once, so that opening the pipe does not wait for a peer.
  HANDLE pipe = CreateFileW(wide(fifo).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(GetFileType(pipe), FILE_TYPE_PIPE);
  CloseHandle(pipe);
  EXPECT_EQ(GetFileType(INVALID_HANDLE_VALUE), FILE_TYPE_UNKNOWN);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE) == INVALID_HANDLE_VALUE, false);
  EXPECT_EQ(GetStdHandle(7), INVALID_HANDLE_VALUE);
}

// Bytes that are not UTF-8 come in as U+DC00 plus the byte (utf.h) and
// name the file with exactly those bytes.
TEST(HostFileApi, EscapedBytesNameTheFileWithThoseBytes) {
  testfiles::writeFile(scratchPath("caf\xE9"), std::vector<uint8_t>{1, 2, 3});
  const std::u16string name = wide(testfiles::scratchDir()) + u"/caf\xDCE9";
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 3u);
  CloseHandle(file);
}

// A file that would grow past the process's size limit is not a full disk.
TEST(HostFileApi, AWritePastTheFileSizeLimitIsFileTooLarge) {
  struct rlimit old;
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old));
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  const std::u16string name = wide(scratchPath("limited.bin"));
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  DWORD written = 0;
  const BOOL ok = file != INVALID_HANDLE_VALUE && WriteFile(file, "0123456789", 10, &written, nullptr) &&
                  WriteFile(file, "0123456789", 10, &written, nullptr);
  const DWORD error = GetLastError();
  setrlimit(RLIMIT_FSIZE, &old);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  DeleteFileW(name.c_str());
  ASSERT_FALSE(ok);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_TOO_LARGE), error);
  WCHAR text[64];
  ASSERT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0, text, 64, nullptr), 0u);
  EXPECT_EQ(std::u16string(text), u"File too large");
}

TEST(HostFormatMessage, CodesTheFileCallsReportHaveTheirWords) {
  WCHAR text[128];
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  ASSERT_EQ(FormatMessageW(flags, nullptr, ERROR_FILE_NOT_FOUND, 0, text, 128, nullptr), 25u);
  EXPECT_EQ(std::u16string(text), u"No such file or directory");
  EXPECT_GT(FormatMessageW(flags, nullptr, ERROR_DISK_FULL, 0, text, 128, nullptr), 0u);
  EXPECT_EQ(std::u16string(text), u"No space left on device");
  EXPECT_EQ(FormatMessageW(flags, nullptr, 99999, 0, text, 128, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
  EXPECT_EQ(FormatMessageW(flags, nullptr, ERROR_FILE_NOT_FOUND, 0, text, 10, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}
