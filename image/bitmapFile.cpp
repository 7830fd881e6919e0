// cBitmapFile's file access: the platform's file calls behind one buffer.
// Reads take whole buffers from the platform and hand them out; requests as
// large as the buffer go straight to the platform. Writes collect until the
// buffer is full or a seek, tell or close needs the file up to date.
#include "image/bitmapFile.h"

#include <cstring>
#include <new>

#include "image/imgStore.h"
#include "image/palette.h"

cBitmapFile::~cBitmapFile() {
  closeFile();
  delete pixels;
  delete palette;
  delete[] ioBuffer;
}

void cBitmapFile::adopt(HANDLE handle, bool forWriting) {
  fileHandle = handle;
  writing = forWriting;
  writeFailed = false;
  bufferStart = 0;
  readPos = readEnd = writeEnd = 0;
  fileSize = forWriting ? 0 : GetFileSize(handle, nullptr);
  if (!ioBuffer) {
    // Without the buffer every call goes to the platform; slower, still right.
    ioBuffer = new (std::nothrow) uint8_t[kBufferBytes];
    bufferCapacity = ioBuffer ? kBufferBytes : 0;
  }
}

int32_t cBitmapFile::openForRead(LPCWSTR fileName) {
  closeFile();
  HANDLE handle = CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
    recordSystemError(GetLastError());
    return 0;
  }
  adopt(handle, false);
  return 1;
}

int32_t cBitmapFile::openForWrite(LPCWSTR fileName) {
  closeFile();
  if (!saveTarget.open(fileName)) {
    recordSystemError(saveTarget.error());
    return 0;
  }
  adopt(saveTarget.handle(), true);
  return 1;
}

int32_t cBitmapFile::closeFile() {
  if (fileHandle == nullptr) return 1;
  const bool flushed = flush();
  if (!writing) {
    CloseHandle(fileHandle);
  } else if (flushed && !writeFailed && errorCode == errNone) {
    if (!saveTarget.commit()) {
      recordSystemError(saveTarget.error());
      errorCode = errWrite;
    }
  } else {
    saveTarget.abandon();
    errorCode = errorCode == errNone ? errWrite : errorCode;
  }
  fileHandle = nullptr;
  bufferStart = 0;
  readPos = readEnd = writeEnd = 0;
  fileSize = 0;
  writing = false;
  return 1;
}

int32_t cBitmapFile::flush() {
  if (fileHandle == nullptr || writeEnd == 0) return 1;
  DWORD written = 0;
  uint32_t pending = writeEnd;
  BOOL ok = WriteFile(fileHandle, ioBuffer, pending, &written, nullptr);
  bool failed = !ok || written != pending;
  uint32_t error = ok ? static_cast<uint32_t>(ERROR_WRITE_FAULT) : GetLastError();
  // What did not reach the file is dropped; the position is where the file is.
  bufferStart += written;
  writeEnd = 0;
  if (bufferStart > fileSize) fileSize = bufferStart;
  if (failed) {
    recordWriteFailure(error);
    return 0;
  }
  return 1;
}

int32_t cBitmapFile::platformRead(uint8_t* out, uint32_t want, uint32_t& got) {
  DWORD done = 0;
  BOOL ok = ReadFile(fileHandle, out, want, &done, nullptr);
  got = done;
  if (!ok) {
    recordSystemError(GetLastError());
    return 0;
  }
  return 1;
}

int32_t cBitmapFile::readBytesFromFile(void* buffer, int32_t count) {
  if (fileHandle == nullptr) return 0;
  if (count < 0) {
    recordSystemError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint32_t want = static_cast<uint32_t>(count);
  if (writing) {
    // The platform refuses reads of a file opened for writing; let it say so.
    uint32_t got = 0;
    if (!platformRead(out, want, got)) return 0;
    return got == want;
  }
  uint32_t available = readEnd - readPos;
  if (want <= available) {
    if (want) std::memcpy(out, ioBuffer + readPos, want);
    readPos += want;
    return 1;
  }
  return readSlow(out, want);
}

// The buffer cannot satisfy the request: take what it holds, then refill it
// (or read directly when the rest is at least a buffer's worth).
int32_t cBitmapFile::readSlow(uint8_t* out, uint32_t want) {
  uint32_t available = readEnd - readPos;
  if (available) std::memcpy(out, ioBuffer + readPos, available);
  out += available;
  want -= available;
  bufferStart += readEnd;
  readPos = readEnd = 0;

  uint32_t got = 0;
  int32_t ok;
  if (want >= bufferCapacity) {
    ok = platformRead(out, want, got);
    bufferStart += got;
  } else {
    ok = platformRead(ioBuffer, bufferCapacity, got);
    readEnd = got;
    uint32_t take = got < want ? got : want;
    std::memcpy(out, ioBuffer, take);
    readPos = take;
    got = take;
  }
  if (!ok) return 0;
  if (got < want) {
    recordSystemError(ERROR_HANDLE_EOF);
    return 0;
  }
  return 1;
}

const uint8_t* cBitmapFile::bufferedBytes(uint32_t& count) {
  if (readPos == readEnd && fileHandle != nullptr && !writing && bufferCapacity != 0) {
    bufferStart += readEnd;
    readPos = readEnd = 0;
    uint32_t got = 0;
    if (platformRead(ioBuffer, bufferCapacity, got)) readEnd = got;
  }
  count = readEnd - readPos;
  return ioBuffer + readPos;
}

int32_t cBitmapFile::skipBytes(int32_t count) {
  if (fileHandle == nullptr) return 0;
  if (count < 0) {
    recordSystemError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  uint32_t want = static_cast<uint32_t>(count);
  if (!writing && want <= readEnd - readPos) {
    readPos += want;
    return 1;
  }
  uint8_t scratch[256];
  while (want > 0) {
    uint32_t step = want < sizeof scratch ? want : static_cast<uint32_t>(sizeof scratch);
    if (!readBytes(scratch, static_cast<int32_t>(step))) return 0;
    want -= step;
  }
  return 1;
}

int32_t cBitmapFile::writeBytes(const void* buffer, int32_t count) {
  if (fileHandle == nullptr) return 0;
  if (count < 0) {
    recordSystemError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  uint32_t want = static_cast<uint32_t>(count);
  if (!writing) {
    // Opened for reading: the platform refuses the write and says why.
    DWORD written = 0;
    if (!WriteFile(fileHandle, in, want, &written, nullptr)) {  // a read file: not a save
      recordSystemError(GetLastError());
      return 0;
    }
    return written == want;
  }
  if (want <= bufferCapacity - writeEnd) {
    if (want) std::memcpy(ioBuffer + writeEnd, in, want);
    writeEnd += want;
    return 1;
  }
  if (!flush()) return 0;
  if (want < bufferCapacity) {
    std::memcpy(ioBuffer, in, want);
    writeEnd = want;
    return 1;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(fileHandle, in, want, &written, nullptr);
  bool failed = !ok || written != want;
  uint32_t error = ok ? static_cast<uint32_t>(ERROR_WRITE_FAULT) : GetLastError();
  bufferStart += written;
  if (bufferStart > fileSize) fileSize = bufferStart;
  if (failed) {
    recordWriteFailure(error);
    return 0;
  }
  return 1;
}

int32_t cBitmapFile::writeByte(int32_t value) {
  uint8_t byte = static_cast<uint8_t>(value);
  if (!writeBytes(&byte, 1)) return -1;
  return static_cast<int8_t>(byte);
}

int32_t cBitmapFile::seekTo(int32_t offset, int32_t origin) {
  if (fileHandle == nullptr) return 0;
  flush();
  // The position the file is at already needs no platform call: a save
  // to a pipe may "seek" to its start before the first byte.
  if (writing && origin == seekFromBegin && offset >= 0 &&
      static_cast<uint32_t>(offset) == position())
    return 1;
  // A target inside the bytes already buffered needs no platform call; the
  // platform's file pointer is never used relative to itself.
  if (origin == seekFromBegin && !writing && offset >= 0) {
    uint32_t target = static_cast<uint32_t>(offset);
    if (target >= bufferStart && target - bufferStart <= readEnd) {
      readPos = target - bufferStart;
      return 1;
    }
  }
  DWORD method = origin == seekFromEnd ? FILE_END
                 : origin == seekFromBegin ? FILE_BEGIN
                                           : static_cast<DWORD>(origin);
  DWORD result = SetFilePointer(fileHandle, offset, nullptr, method);
  if (result == INVALID_SET_FILE_POINTER) return 0;
  bufferStart = result;
  readPos = readEnd = 0;
  return 1;
}

uint32_t cBitmapFile::tell() {
  if (fileHandle == nullptr) return 0;
  if (writing && !flush()) return 0;
  return position();
}
