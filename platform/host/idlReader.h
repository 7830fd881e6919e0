// Reads a type library from its interface definitions in IDL, the form in
// which zolmcom carries its "TYPELIB" resource on Linux. The reader knows the
// subset that automation interfaces need: import and importlib lines, comments,
// attribute lists, interfaces derived from IDispatch whose methods return
// HRESULT and take BSTR, BSTR*, VARIANT* and VARIANT_BOOL* parameters,
// coclasses and one library block. Anything else is refused, never guessed.
#pragma once

#include "platform/host/typelibModel.h"

#include <cstddef>

namespace typelib {

// Largest definitions text accepted; the library's own is a few kilobytes.
constexpr size_t kMaxIdlSize = 1u << 20;

// S_OK and the library in `out`, or TYPE_E_CANTLOADLIBRARY for text that is
// not such a library (nothing partial is kept); E_OUTOFMEMORY when memory runs
// out. Never throws.
ZOLMPLATFORM_API HRESULT readIdlLibrary(const char* text, size_t length,
                                        LibraryModel& out) noexcept;

}  // namespace typelib
