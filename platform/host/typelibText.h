// Small text helpers of the Linux type library service: comparison of member
// names without regard to case, and GUIDs in the registry's
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" form. UTF-8 and UTF-16 conversion
// is platform/host/utf.h's.
#pragma once

#include "platform/host/wintypes.h"

#include <string>

namespace typelib {

// Names compare without regard to case as the platform's name lookup does for
// the letters of Latin-1.
bool sameNameIgnoringCase(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength);

// "{28453262-FCFB-433B-9E37-896CFF19F74E}" (38 characters).
std::string guidText(const GUID& guid);

}  // namespace typelib
