// CExpandBuffer: the text a script becomes once its replacements are
// expanded. It starts at twice the script's length (1000 bytes for short
// scripts), doubles as it fills, is always NUL-terminated, and lives in the
// task allocator's memory so that it can be handed to a caller who frees it
// with CoTaskMemFree.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

class CExpandBuffer {
 public:
  CExpandBuffer() = default;
  ~CExpandBuffer();
  CExpandBuffer(const CExpandBuffer&) = delete;
  CExpandBuffer& operator=(const CExpandBuffer&) = delete;

  // Allocates the first block for a script of scriptLength bytes.
  bool Init(size_t scriptLength);
  // Appends n bytes; false when the buffer cannot grow to hold them.
  bool Append(const char* bytes, size_t n);
  // Hands the text over; the buffer is empty afterwards.
  char* Detach();

  size_t Length() const { return length; }
  size_t Capacity() const { return capacity; }
  const char* Text() const { return text; }

 private:
  size_t length = 0;
  size_t capacity = 0;
  char* text = nullptr;
};
