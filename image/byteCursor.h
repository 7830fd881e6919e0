// cByteCursor: the bytes a decoder reads, one stream whatever the edges of
// the image's read buffer. Bytes are taken in place from the buffer, which
// is refilled from the file when it runs dry; without a buffer they are read
// one call at a time. The image's position moves over the bytes taken when
// the cursor releases them: at a refill, on release() and when the cursor
// goes, so that the image answers tell() and isAtEnd() for them.
#pragma once

#include <cstdint>

#include "image/bitmapFile.h"

class cByteCursor {
 public:
  // `spare` holds a byte read without the buffer; it lies outside the
  // cursor so that the cursor's own fields can live in registers.
  cByteCursor(cBitmapFile* file, uint8_t& spare) : source(file), single(&spare) {}
  ~cByteCursor() { release(); }
  cByteCursor(const cByteCursor&) = delete;
  cByteCursor& operator=(const cByteCursor&) = delete;

  // The next byte in `value`; false when the file ends (or fails) first.
  bool next(uint8_t& value) {
    if (at == end && !refill()) return false;
    value = *at++;
    return true;
  }
  // Points `bytes` at the next 1 to `wanted` bytes and takes them; 0 when
  // the file ends (or fails) first.
  int32_t take(int32_t wanted, const uint8_t*& bytes) {
    if (at == end && !refill()) return 0;
    const int32_t ready = static_cast<int32_t>(end - at);
    const int32_t count = wanted < ready ? wanted : ready;
    bytes = at;
    at += count;
    return count;
  }
  // True when every byte read ahead has been taken: only then can the
  // image's position have reached the end of the file.
  bool drained() const { return at == end; }
  // Moves the image's position past the bytes taken.
  void release() {
    if (!start) return;
    source->consumeBuffered(static_cast<uint32_t>(at - start));
    start = at;
  }

 private:
  bool refill() {
    release();
    uint32_t count = 0;
    const uint8_t* data = source->bufferedBytes(count);
    if (count > 0) {
      start = at = data;
      end = data + count;
      return true;
    }
    // At the end of the file, or without a read buffer: an ordinary read,
    // which records why it failed as every read does.
    const int32_t byte = source->readByteOrEnd();
    if (byte < 0) return false;
    *single = static_cast<uint8_t>(byte);
    start = nullptr;  // already consumed
    at = single;
    end = single + 1;
    return true;
  }

  cBitmapFile* source;  // not owned
  uint8_t* single;       // not owned
  const uint8_t* start = nullptr;  // first byte not yet released; null for `single`
  const uint8_t* at = nullptr;
  const uint8_t* end = nullptr;
};
