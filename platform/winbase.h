// The platform's message text for its error codes (FormatMessageW): the real
// call on Windows, our stand-in on Linux (see platform/host/winbase.h).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/winbase.h"
#endif
