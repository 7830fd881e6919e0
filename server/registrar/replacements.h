// The two halves of %NAME% replacement: the registrar's table of names and
// values, and the buffer that the expanded script text is built in.
//
// CReplacementMap holds names as 8-bit text and values as UTF-16, in the
// order they were added. Duplicates are kept; a lookup takes the first pair
// whose name matches without regard to case, so an earlier pair wins over a
// later one of the same name.
//
// CExpandBuffer is the text a script becomes once its replacements are
// expanded. It starts at twice the script's length (1000 bytes for short
// scripts), doubles as it fills, is always NUL-terminated, and lives in the
// task allocator's memory so that it can be handed to a caller who frees it
// with CoTaskMemFree.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

class CReplacementMap {
 public:
  CReplacementMap() = default;
  ~CReplacementMap() { RemoveAll(); }
  CReplacementMap(const CReplacementMap&) = delete;
  CReplacementMap& operator=(const CReplacementMap&) = delete;

  // Appends copies of name and value; E_OUTOFMEMORY when either array or
  // copy cannot be had, E_INVALIDARG for a null argument.
  HRESULT Add(const char* name, LPCOLESTR value);
  // The value of the first pair named name, or null.
  LPCOLESTR Lookup(const char* name) const;
  void RemoveAll();
  int Count() const { return count; }

 private:
  char** names = nullptr;
  OLECHAR** values = nullptr;
  int count = 0;
};

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
