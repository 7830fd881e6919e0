// Shared by the type library tests: the path of the library's own interface
// definitions and a loader for them.
#pragma once

#include "platform/oleauto.h"

#include <fstream>
#include <sstream>
#include <string>

namespace typelibtest {

// The source tree's root.
inline std::string sourceRoot() { return ZOLM_SOURCE_DIR; }

inline std::string idlPath() { return sourceRoot() + "/resources/zolmcom.idl"; }

inline std::u16string widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

inline std::string readIdl() {
  std::ifstream in(idlPath(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The library loaded from resources/zolmcom.idl; null on failure.
inline ITypeLib* loadZolmcomLib() {
  ITypeLib* lib = nullptr;
  const std::u16string path = widen(idlPath());
  if (FAILED(LoadTypeLib(path.c_str(), &lib))) return nullptr;
  return lib;
}

}  // namespace typelibtest
