// The platform's graphics calls that scaling uses: device contexts, DIB
// sections and the stretching copy. The real header on Windows; our own
// stand-ins over plain memory bitmaps on Linux.
#pragma once

#include "platform/wintypes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/wingdi.h"
#endif
