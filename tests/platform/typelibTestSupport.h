// Shared by the type library tests: the path of the library's own type
// library, as the build makes it from the interface definitions, and a loader
// for it.
#pragma once

#include "platform/oleauto.h"

#include <string>

namespace typelibtest {

inline std::string typelibPath() { return ZOLM_BUILD_DIR "/generated/zolmcom.tlb"; }

inline std::u16string widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The library loaded from the build's zolmcom.tlb; null on failure.
inline ITypeLib* loadZolmcomLib() {
  ITypeLib* lib = nullptr;
  const std::u16string path = widen(typelibPath());
  if (FAILED(LoadTypeLib(path.c_str(), &lib))) return nullptr;
  return lib;
}

}  // namespace typelibtest
