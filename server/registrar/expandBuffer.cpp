// The expanded text of a script under construction.
#include "server/registrar/expandBuffer.h"

#include <cstring>

#include "platform/objbase.h"

namespace {
// A capacity above this cannot double.
const size_t kLargestDoublingCapacity = 0x3FFFFFFF;
}

CExpandBuffer::~CExpandBuffer() { CoTaskMemFree(text); }

bool CExpandBuffer::Init(size_t scriptLength) {
  if (scriptLength > static_cast<size_t>(-1) / 2) return false;
  size_t first = scriptLength * 2;
  if (first < 100) first = 1000;
  text = static_cast<char*>(CoTaskMemAlloc(first));
  if (text == nullptr) return false;
  text[0] = '\0';
  capacity = first;
  length = 0;
  return true;
}

bool CExpandBuffer::Append(const char* bytes, size_t n) {
  if (text == nullptr) return false;
  if (n > static_cast<size_t>(-1) - length - 1) return false;
  size_t needed = length + n + 1;
  if (needed >= capacity) {
    size_t grown = capacity;
    while (grown <= needed) {
      if (grown > kLargestDoublingCapacity) return false;
      grown *= 2;
    }
    char* moved = static_cast<char*>(CoTaskMemRealloc(text, grown));
    if (moved == nullptr) return false;
    text = moved;
    capacity = grown;
  }
  std::memcpy(text + length, bytes, n);
  length += n;
  text[length] = '\0';
  return true;
}

char* CExpandBuffer::Detach() {
  char* handed = text;
  text = nullptr;
  length = 0;
  capacity = 0;
  return handed;
}
