// Loading a type library from its IDL text held in memory, for the service's
// own callers (LoadTypeLib of a file, of a module's "TYPELIB" resource) and
// for tests.
#pragma once

#include "platform/host/oaidl.h"

#include <cstddef>

namespace typelib {

// S_OK and a new library with one reference; TYPE_E_CANTLOADLIBRARY for text
// that is no library; E_OUTOFMEMORY. Never throws.
ZOLMPLATFORM_API HRESULT loadTypeLibFromText(const char* text, size_t length,
                                             ITypeLib** out) noexcept;

}  // namespace typelib
