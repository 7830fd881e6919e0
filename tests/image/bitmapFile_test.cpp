// cBitmapFile's file access: opening and closing, short reads, byte results,
// seeks from either end, the end test, and the buffering staying exact for
// the position the caller has consumed or produced.
#include "image/bitmapFile.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/image/imageTestFiles.h"

using testfiles::readFile;
using testfiles::scratchPath;
using testfiles::wide;
using testfiles::writeFile;

namespace {

// The file access operations without a format.
class cPlainFile : public cBitmapFile {
 public:
  int32_t loadFile(LPCWSTR) override { return errorCode; }
  int32_t saveFile(LPCWSTR) override { return errorCode; }
};

std::vector<uint8_t> counting(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

std::string sampleFile(const std::string& name, size_t size) {
  std::string path = scratchPath(name);
  writeFile(path, counting(size));
  return path;
}

}  // namespace

TEST(FileOpen, MissingFileRecordsNotFoundAndKeepsErrorCode) {
  cPlainFile file;
  EXPECT_EQ(file.openForRead(wide(scratchPath("no-such-file")).c_str()), 0);
  EXPECT_EQ(file.getSystemError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(file.errorCode, errNone);
  EXPECT_EQ(file.fileHandle, nullptr);
  EXPECT_EQ(file.readByte(), 255);
  EXPECT_EQ(file.isAtEnd(), 1);
  EXPECT_EQ(file.tell(), 0u);
  EXPECT_EQ(file.seekTo(0, cBitmapFile::seekFromBegin), 0);
}

TEST(FileOpen, DirectoryIsRefusedForReadingAndWriting) {
  cPlainFile file;
  EXPECT_EQ(file.openForRead(wide(testfiles::scratchDir()).c_str()), 0);
  EXPECT_EQ(file.getSystemError(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  cPlainFile writer;
  EXPECT_EQ(writer.openForWrite(wide(testfiles::scratchDir()).c_str()), 0);
  EXPECT_EQ(writer.getSystemError(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
}

TEST(FileOpen, OpeningAgainClosesTheFirstFile) {
  writeFile(scratchPath("first"), std::vector<uint8_t>{1, 2, 3});
  writeFile(scratchPath("second"), std::vector<uint8_t>{9, 8});
  cPlainFile file;
  ASSERT_EQ(file.openForRead(wide(scratchPath("first")).c_str()), 1);
  EXPECT_EQ(file.readByte(), 1);
  ASSERT_EQ(file.openForRead(wide(scratchPath("second")).c_str()), 1);
  EXPECT_EQ(file.tell(), 0u);
  EXPECT_EQ(file.readByte(), 9);
  EXPECT_EQ(file.closeFile(), 1);
  EXPECT_EQ(file.fileHandle, nullptr);
  EXPECT_EQ(file.closeFile(), 1);
}

TEST(FileOpen, NonAsciiNamesReachTheSameFile) {
  const std::string name = "sch\xC3\xB6n-\xE2\x82\xAC-\xF0\x9F\x98\x80.bin";
  writeFile(scratchPath(name), std::vector<uint8_t>{42});
  cPlainFile file;
  ASSERT_EQ(file.openForRead(wide(scratchPath(name)).c_str()), 1);
  EXPECT_EQ(file.readByte(), 42);
}

TEST(FileRead, ShortReadFailsAndMovesToTheEnd) {
  std::string path = sampleFile("short", 14);
  cPlainFile file;
  ASSERT_EQ(file.openForRead(wide(path).c_str()), 1);
  uint8_t buffer[10];
  ASSERT_EQ(file.readBytes(buffer, 10), 1);
  EXPECT_EQ(file.getSystemError(), 0u);
  EXPECT_EQ(file.readBytes(buffer, 10), 0);
  EXPECT_EQ(file.tell(), 14u);
  EXPECT_EQ(file.getSystemError(), static_cast<uint32_t>(ERROR_HANDLE_EOF));
  EXPECT_EQ(file.readByte(), 255);
  EXPECT_EQ(file.readByteOrEnd(), -1);
}

TEST(FileRead, NegativeCountsReadNothing) {
  std::string path = sampleFile("negative", 8);
  cPlainFile file;
  ASSERT_EQ(file.openForRead(wide(path).c_str()), 1);
  uint8_t buffer[8];
  EXPECT_EQ(file.readBytes(buffer, -1), 0);
  EXPECT_EQ(file.skipBytes(-5), 0);
  EXPECT_EQ(file.tell(), 0u);
}

TEST(FileRead, EndTestFollowsTheConsumedPosition) {
  writeFile(scratchPath("empty"), std::vector<uint8_t>{});
  cPlainFile file;
  ASSERT_EQ(file.openForRead(wide(scratchPath("empty")).c_str()), 1);
  EXPECT_EQ(file.isAtEnd(), 1);
  EXPECT_EQ(file.tell(), 0u);

  std::string path = sampleFile("three", 3);
  ASSERT_EQ(file.openForRead(wide(path).c_str()), 1);
  file.readByte();
  file.readByte();
  EXPECT_EQ(file.isAtEnd(), 0);
  file.readByte();
  EXPECT_EQ(file.isAtEnd(), 1);
  EXPECT_EQ(file.getSystemError(), 0u);
}

TEST(FileSeek, OriginsCountFromEitherEnd) {
  std::string path = sampleFile("thousand", 1000);
  const std::vector<uint8_t> data = counting(1000);
  cPlainFile file;
  ASSERT_EQ(file.openForRead(wide(path).c_str()), 1);
  EXPECT_EQ(file.seekTo(-769, cBitmapFile::seekFromEnd), 1);
  EXPECT_EQ(file.tell(), 231u);
  EXPECT_EQ(file.readByte(), data[231]);
  EXPECT_EQ(file.seekTo(10, cBitmapFile::seekFromBegin), 1);
  EXPECT_EQ(file.tell(), 10u);
  EXPECT_EQ(file.readByte(), data[10]);
  EXPECT_EQ(file.seekTo(-1, 2), 1);  // 2 also counts from the end
  EXPECT_EQ(file.tell(), 999u);
  EXPECT_EQ(file.seekTo(0, 5), 0);
  EXPECT_EQ(file.tell(), 999u);
  EXPECT_EQ(file.seekTo(-1001, cBitmapFile::seekFromEnd), 0);
  EXPECT_EQ(file.seekTo(-1, cBitmapFile::seekFromBegin), 0);
  EXPECT_EQ(file.tell(), 999u);
  EXPECT_EQ(file.getSystemError(), 0u);
  EXPECT_EQ(file.readByte(), data[999]);
  // Past the end is a position, not an error; reading there fails.
  EXPECT_EQ(file.seekTo(5000, cBitmapFile::seekFromBegin), 1);
  EXPECT_EQ(file.isAtEnd(), 1);
  EXPECT_EQ(file.readByte(), 255);
}

// Mixed small and large reads, seeks back into and out of what was buffered:
// every byte must come from where the position says.
TEST(FileRead, BufferedReadsMatchTheFileEverywhere) {
  const size_t size = 300000;
  std::string path = sampleFile("large", size);
  const std::vector<uint8_t> data = counting(size);
  cPlainFile file;
  ASSERT_EQ(file.openForRead(wide(path).c_str()), 1);
  size_t pos = 0;
  std::vector<uint8_t> buffer(200000);
  const size_t steps[] = {1, 3, 65535, 2, 70000, 1, 100, 65536, 7};
  for (size_t step : steps) {
    ASSERT_EQ(file.readBytes(buffer.data(), static_cast<int32_t>(step)), 1);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + step, data.begin() + pos)) << step;
    pos += step;
    EXPECT_EQ(file.tell(), pos);
    EXPECT_EQ(file.readByte(), data[pos]);
    ++pos;
  }
  ASSERT_EQ(file.seekTo(static_cast<int32_t>(pos - 50), cBitmapFile::seekFromBegin), 1);
  EXPECT_EQ(file.readByte(), data[pos - 50]);
  ASSERT_EQ(file.seekTo(5, cBitmapFile::seekFromBegin), 1);
  EXPECT_EQ(file.readByte(), data[5]);
  ASSERT_EQ(file.skipBytes(100000), 1);
  EXPECT_EQ(file.tell(), 100006u);
  EXPECT_EQ(file.readByte(), data[100006]);
  ASSERT_EQ(file.seekTo(-3, cBitmapFile::seekFromEnd), 1);
  EXPECT_EQ(file.readBytes(buffer.data(), 3), 1);
  EXPECT_EQ(buffer[2], data[size - 1]);
  EXPECT_EQ(file.isAtEnd(), 1);
}

TEST(FileWrite, ByteResultsAreSignExtended) {
  cPlainFile file;
  std::string path = scratchPath("bytes-out");
  ASSERT_EQ(file.openForWrite(wide(path).c_str()), 1);
  EXPECT_EQ(file.writeByte(0x80), -128);
  EXPECT_EQ(file.writeByte(0x7F), 127);
  EXPECT_EQ(file.writeByte(0x1FF), -1);  // 0xFF is written and reads back as -1
  file.closeFile();
  EXPECT_EQ(readFile(path), (std::vector<uint8_t>{0x80, 0x7F, 0xFF}));
}

TEST(FileWrite, WritingAFileOpenForReadingFails) {
  std::string path = sampleFile("read-only-use", 4);
  cPlainFile file;
  ASSERT_EQ(file.openForRead(wide(path).c_str()), 1);
  EXPECT_EQ(file.writeByte(1), -1);
  EXPECT_EQ(file.getSystemError(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(readFile(path), counting(4));
}

TEST(FileWrite, NoFileNoWrite) {
  cPlainFile file;
  EXPECT_EQ(file.writeByte(1), -1);
  EXPECT_EQ(file.writeBytes("ab", 2), 0);
  EXPECT_EQ(file.getSystemError(), 0u);
}

// Writes collect in the buffer, yet tell() counts them, a seek back to
// rewrite a header lands where asked, and close leaves exactly those bytes.
TEST(FileWrite, BufferedWritesLandInOrder) {
  std::string path = scratchPath("written");
  const std::vector<uint8_t> data = counting(200000);
  cPlainFile file;
  ASSERT_EQ(file.openForWrite(wide(path).c_str()), 1);
  EXPECT_EQ(file.writeBytes(data.data(), 14), 1);
  EXPECT_EQ(file.tell(), 14u);
  for (size_t i = 14; i < 1000; ++i) file.writeByte(data[i]);
  EXPECT_EQ(file.isAtEnd(), 1);
  EXPECT_EQ(file.writeBytes(data.data() + 1000, 100000), 1);
  EXPECT_EQ(file.writeBytes(data.data() + 101000, 99000), 1);
  EXPECT_EQ(file.tell(), 200000u);
  ASSERT_EQ(file.seekTo(0, cBitmapFile::seekFromBegin), 1);
  EXPECT_EQ(file.isAtEnd(), 0);
  const uint8_t header[4] = {'B', 'M', 1, 2};
  EXPECT_EQ(file.writeBytes(header, 4), 1);
  EXPECT_EQ(file.tell(), 4u);
  EXPECT_EQ(file.closeFile(), 1);
  EXPECT_EQ(file.getSystemError(), 0u);

  std::vector<uint8_t> expected = data;
  std::copy(header, header + 4, expected.begin());
  EXPECT_EQ(readFile(path), expected);
}

TEST(FileWrite, SavingOverALongerFileTruncatesIt) {
  std::string path = sampleFile("truncated", 5000);
  cPlainFile file;
  ASSERT_EQ(file.openForWrite(wide(path).c_str()), 1);
  file.writeByte(7);
  file.closeFile();
  EXPECT_EQ(readFile(path), std::vector<uint8_t>{7});
}

// A write that fails only when the buffer goes out still shows: in
// systemError, and in the result of tell().
TEST(FileWrite, FailureOnFlushIsRecorded) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  cPlainFile file;
  ASSERT_EQ(file.openForWrite(u"/dev/full"), 1);
  EXPECT_EQ(file.writeBytes("abcd", 4), 1);
  EXPECT_EQ(file.getSystemError(), 0u);
  EXPECT_EQ(file.tell(), 0u);
  EXPECT_EQ(file.getSystemError(), static_cast<uint32_t>(ERROR_DISK_FULL));

  cPlainFile large;
  ASSERT_EQ(large.openForWrite(u"/dev/full"), 1);
  std::vector<uint8_t> block(100000, 1);
  EXPECT_EQ(large.writeBytes(block.data(), static_cast<int32_t>(block.size())), 0);
  EXPECT_EQ(large.getSystemError(), static_cast<uint32_t>(ERROR_DISK_FULL));

  cPlainFile closing;
  ASSERT_EQ(closing.openForWrite(u"/dev/full"), 1);
  closing.writeByte(1);
  EXPECT_EQ(closing.closeFile(), 1);
  EXPECT_EQ(closing.getSystemError(), static_cast<uint32_t>(ERROR_DISK_FULL));
}
