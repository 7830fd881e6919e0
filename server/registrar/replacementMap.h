// CReplacementMap: the registrar's table of %NAME% replacements, names as
// 8-bit text and values as UTF-16, in the order they were added. Duplicates
// are kept; a lookup takes the first pair whose name matches without regard
// to case, so an earlier pair wins over a later one of the same name.
#pragma once

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
