// The registrar's table of replacements and the expanded text of a script
// under construction.
#include "server/registrar/replacements.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/objbase.h"
#include "platform/winnls.h"

namespace {

template <typename C>
C* Duplicate(const C* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  C* copy = static_cast<C*>(std::malloc((n + 1) * sizeof(C)));
  if (copy != nullptr) std::memcpy(copy, text, (n + 1) * sizeof(C));
  return copy;
}

// Grows an array by exactly one element; the old block stays valid on failure.
template <typename T>
bool GrowByOne(T**& array, int count) {
  void* grown = std::realloc(array, (static_cast<size_t>(count) + 1) * sizeof(T*));
  if (grown == nullptr) return false;
  array = static_cast<T**>(grown);
  return true;
}

// A capacity above this cannot double.
const size_t kLargestDoublingCapacity = 0x3FFFFFFF;

}  // namespace

HRESULT CReplacementMap::Add(const char* name, LPCOLESTR value) {
  if (name == nullptr || value == nullptr) return E_INVALIDARG;
  if (count == INT_MAX) return E_OUTOFMEMORY;
  if (!GrowByOne(names, count) || !GrowByOne(values, count)) return E_OUTOFMEMORY;
  char* nameCopy = Duplicate(name);
  OLECHAR* valueCopy = Duplicate(value);
  if (nameCopy == nullptr || valueCopy == nullptr) {
    std::free(nameCopy);
    std::free(valueCopy);
    return E_OUTOFMEMORY;
  }
  names[count] = nameCopy;
  values[count] = valueCopy;
  ++count;
  return S_OK;
}

LPCOLESTR CReplacementMap::Lookup(const char* name) const {
  if (name == nullptr) return nullptr;
  for (int i = 0; i < count; ++i) {
    if (lstrcmpiA(names[i], name) == 0) return values[i];
  }
  return nullptr;
}

void CReplacementMap::RemoveAll() {
  for (int i = 0; i < count; ++i) {
    std::free(names[i]);
    std::free(values[i]);
  }
  std::free(names);
  std::free(values);
  names = nullptr;
  values = nullptr;
  count = 0;
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
