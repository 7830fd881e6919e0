// The registrar's table of replacements.
#include "server/registrar/replacementMap.h"

#include <climits>
#include <cstdlib>
#include <cstring>

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
