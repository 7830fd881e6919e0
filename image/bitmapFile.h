// cBitmapFile: the image file object every format derives from. It holds the
// picture's dimensions, its pixel store and palette, the library error code,
// and at most one open file, and it is the only way the library reads or
// writes bytes. File access is buffered: reads come from a 64 KiB buffer and
// writes collect in the same buffer (a file is open for one or the other),
// which is written out before any seek, tell or close. tell(), isAtEnd() and
// seekTo() answer for the position up to which the caller has consumed or
// produced bytes, as if every call went straight to the platform. A file
// opened for writing is a cSaveTarget: the target is replaced only when the
// save closes it without a failure.
#pragma once

#include <cstdint>
#include <cstring>

#include "image/imageErrors.h"
#include "image/saveTarget.h"
#include "platform/fileapi.h"

class cImgStore;
class cPalette;

class cBitmapFile {
 public:
  // Origin codes of seekTo. Other codes go to the platform's move method
  // unchanged: 2 also counts from the end, larger codes fail.
  static constexpr int32_t seekFromEnd = 0;
  static constexpr int32_t seekFromBegin = 1;

  cBitmapFile() = default;
  // Closes a file still open, then destroys the pixel store and the palette.
  virtual ~cBitmapFile();
  cBitmapFile(const cBitmapFile&) = delete;
  cBitmapFile& operator=(const cBitmapFile&) = delete;

  // Reads the named file into the object; returns errorCode.
  virtual int32_t loadFile(LPCWSTR fileName) = 0;
  // Writes the object to the named file; returns errorCode.
  virtual int32_t saveFile(LPCWSTR fileName) = 0;
  // Resizes the picture by factor; 1 on success, 0 on failure.
  virtual int32_t scale(float factor);

  // File access. Results are 1 for success and 0 for failure unless noted;
  // failures record the platform's code in systemError where noted.

  // Closes any open file, then opens an existing file for reading (others
  // may read it meanwhile, not write). On failure systemError is recorded.
  int32_t openForRead(LPCWSTR fileName);
  // Closes any open file, then opens a new file whose bytes replace the
  // named one when closeFile finds the save whole (see cSaveTarget).
  int32_t openForWrite(LPCWSTR fileName);
  // Writes out pending bytes, closes the file if one is open; always 1. A
  // failed final write is recorded in systemError. A file open for writing
  // replaces its target only when no write failed and errorCode is still
  // errNone; otherwise, or when the replacing fails, the target stays as it
  // was and errorCode becomes errWrite (the platform's code in systemError).
  int32_t closeFile();
  // 1 when exactly count bytes were read. A platform failure records its
  // code; a read cut short by the end of the file records ERROR_HANDLE_EOF.
  // The position moves past the bytes that were read either way.
  int32_t readBytes(void* buffer, int32_t count) {
    // Served from the buffer when it holds 1 to count bytes; only a file
    // open for reading fills it.
    if (count > 0 && static_cast<uint32_t>(count) <= readEnd - readPos) {
      std::memcpy(buffer, ioBuffer + readPos, static_cast<uint32_t>(count));
      readPos += static_cast<uint32_t>(count);
      return 1;
    }
    return readBytesFromFile(buffer, count);
  }
  // 1 when exactly count bytes were taken. With a file open for writing they
  // may wait in the buffer: a failure when they go out is recorded in
  // systemError then (and makes the writeBytes that triggered it return 0).
  int32_t writeBytes(const void* buffer, int32_t count);
  // Moves the position; nothing is recorded in systemError on failure.
  int32_t seekTo(int32_t offset, int32_t origin);
  // The current position, or 0 with no file open.
  uint32_t tell();
  // 1 when the position is at or past the file's size (low 32 bits), and
  // with no file open.
  int32_t isAtEnd() const { return fileHandle == nullptr || position() >= fileSize; }
  // The byte read, or 255 when the read fails.
  int32_t readByte() {
    if (readPos < readEnd) return ioBuffer[readPos++];
    uint8_t value;
    return readBytes(&value, 1) ? value : 255;
  }
  // The low 8 bits of value written, sign-extended; -1 on failure.
  int32_t writeByte(int32_t value);
  uint32_t getSystemError() const { return systemError; }

  // Helpers for the codecs beyond the platform's operations.

  // The byte read, or -1 when the read fails (readByte cannot tell 255 apart).
  int32_t readByteOrEnd() {
    if (readPos < readEnd) return ioBuffer[readPos++];
    uint8_t value;
    return readBytes(&value, 1) ? value : -1;
  }
  // The bytes read ahead and not yet consumed, for decoders that scan them
  // in place; the buffer is refilled from the file first when it holds none.
  // `count` receives how many there are: 0 at the end of the file, after a
  // failed read (recorded as readBytes records it), with the file open for
  // writing or without a buffer; the caller then reads as usual.
  const uint8_t* bufferedBytes(uint32_t& count);
  // Consumes count of the bytes that bufferedBytes offered.
  void consumeBuffered(uint32_t count) { readPos += count; }
  // Reads and drops count bytes; fails like readBytes.
  int32_t skipBytes(int32_t count);
  // Writes out pending bytes now; 0 (with systemError recorded) on failure.
  int32_t flush();
  // Size of the open file when it was opened, grown by what has been
  // written since; 0 with no file open.
  uint32_t fileLength() const { return fileHandle == nullptr ? 0 : fileSize; }

  // The platform's code from the last failed file operation that records one.
  uint32_t systemError = 0;
  HANDLE fileHandle = nullptr;
  int32_t errorCode = errNone;
  cImgStore* pixels = nullptr;   // owned
  cPalette* palette = nullptr;   // owned
  uint16_t bitsPerPixel = 0;
  uint32_t colorCount = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerPixel = 0;
  int32_t bytesPerLine = 0;

 private:
  void adopt(HANDLE handle, bool forWriting);
  uint32_t position() const { return bufferStart + readPos + writeEnd; }
  int32_t readBytesFromFile(void* buffer, int32_t count);
  int32_t readSlow(uint8_t* out, uint32_t want);
  int32_t platformRead(uint8_t* out, uint32_t want, uint32_t& got);
  void recordSystemError(uint32_t code) { systemError = code; }
  void recordWriteFailure(uint32_t code) {
    systemError = code;
    writeFailed = true;
  }

  static constexpr uint32_t kBufferBytes = 64 * 1024;
  // One buffer serves reading or writing, whichever the open file is for.
  uint8_t* ioBuffer = nullptr;
  uint32_t bufferCapacity = 0;  // 0 when the buffer could not be obtained
  uint32_t bufferStart = 0;     // file position of ioBuffer[0]
  uint32_t readPos = 0;         // next unread byte in the buffer
  uint32_t readEnd = 0;         // bytes of the buffer holding file data
  uint32_t writeEnd = 0;        // bytes waiting to be written
  uint32_t fileSize = 0;
  bool writing = false;
  bool writeFailed = false;  // a write of the open file failed
  cSaveTarget saveTarget;
};
