// Critical sections and interlocked counters: the platform's own on Windows,
// our stand-ins on Linux (re-entrant critical sections over a recursive mutex,
// interlocked operations over the compiler's atomic builtins).
#pragma once

#include "platform/wintypes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/synchapi.h"
#endif
