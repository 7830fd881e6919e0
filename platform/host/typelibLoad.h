// Loading a type library from its bytes held in memory, for the service's
// own callers (LoadTypeLib of a file, of a module's "TYPELIB" resource) and
// for tests. The bytes are the library's types as resources/generate_from_idl.py
// writes them from the interface definitions at build time.
#pragma once

#include "platform/host/oaidl.h"

#include <cstddef>

namespace typelib {

// S_OK and a new library with one reference; TYPE_E_CANTLOADLIBRARY for bytes
// that are no such library; E_OUTOFMEMORY. Never throws.
ZOLMPLATFORM_API HRESULT loadTypeLibFromBytes(const void* data, size_t size,
                                              ITypeLib** out) noexcept;

}  // namespace typelib
