// The platform's version and its Windows directory: the platform's own calls
// on Windows, our stand-ins on Linux (see platform/host/sysinfoapi.h).
#pragma once

#include "platform/wintypes.h"

#ifdef _WIN32
#include <windows.h>
// The fonts folder below the Windows directory, with its separator.
#define ZOLM_FONTS_SUBDIRECTORY L"\\Fonts"
#else
#include "platform/host/sysinfoapi.h"
#endif
