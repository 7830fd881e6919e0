// 8-bit text services: stepping through text a character at a time,
// comparing without regard to case, the code page queries and the
// conversions between 8-bit text and UTF-16. The real platform's calls on
// Windows, our own stand-ins on Linux.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/winnls.h"
#endif
