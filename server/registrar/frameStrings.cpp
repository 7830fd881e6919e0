// The frame's bounded string and buffer routines.
#include "server/registrar/frameStrings.h"

#include <cstring>

namespace {

template <typename C>
size_t TextLength(const C* s) {
  size_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

template <typename C>
int CopyText(C* dest, size_t capacity, const C* src, bool truncate) {
  if (dest == nullptr || capacity == 0) return kFrameInvalidArgument;
  if (src == nullptr) {
    dest[0] = 0;
    return kFrameInvalidArgument;
  }
  size_t n = TextLength(src);
  if (n < capacity) {
    std::memcpy(dest, src, (n + 1) * sizeof(C));
    return 0;
  }
  if (!truncate) {
    dest[0] = 0;
    return kFrameOutOfRange;
  }
  std::memcpy(dest, src, (capacity - 1) * sizeof(C));
  dest[capacity - 1] = 0;
  return kFrameTruncated;
}

}  // namespace

void FrameCheckCopy(int error) {
  switch (error) {
    case 0:
    case kFrameTruncated: return;
    case kFrameNoMemory: ThrowFrameException(E_OUTOFMEMORY);
    case kFrameInvalidArgument:
    case kFrameOutOfRange: ThrowFrameException(E_INVALIDARG);
    default: ThrowFrameException(E_FAIL);
  }
}

int FrameCopyText(char* dest, size_t capacity, const char* src, bool truncate) {
  return CopyText(dest, capacity, src, truncate);
}

int FrameCopyText(OLECHAR* dest, size_t capacity, const OLECHAR* src, bool truncate) {
  return CopyText(dest, capacity, src, truncate);
}

int FrameAppendText(char* dest, size_t capacity, const char* src) {
  if (dest == nullptr || capacity == 0) return kFrameInvalidArgument;
  size_t used = 0;
  while (used < capacity && dest[used] != 0) ++used;
  // An unterminated destination is no text to append to.
  if (used == capacity) {
    dest[0] = 0;
    return kFrameInvalidArgument;
  }
  int error = CopyText(dest + used, capacity - used, src, false);
  if (error != 0) dest[0] = 0;
  return error;
}

void FrameCopyTextOrThrow(char* dest, size_t capacity, const char* src) {
  FrameCheckCopy(FrameCopyText(dest, capacity, src, false));
}

void FrameCopyTextOrThrow(OLECHAR* dest, size_t capacity, const OLECHAR* src) {
  FrameCheckCopy(FrameCopyText(dest, capacity, src, false));
}

void FrameAppendTextOrThrow(char* dest, size_t capacity, const char* src) {
  FrameCheckCopy(FrameAppendText(dest, capacity, src));
}

size_t FrameAdd(size_t a, size_t b) {
  if (a > static_cast<size_t>(-1) - b) ThrowFrameException(E_INVALIDARG);
  return a + b;
}

size_t FrameMultiply(size_t a, size_t b) {
  if (a != 0 && b > static_cast<size_t>(-1) / a) ThrowFrameException(E_INVALIDARG);
  return a * b;
}
