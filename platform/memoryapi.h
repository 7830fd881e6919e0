// Large zero-filled blocks straight from the system (VirtualAlloc,
// VirtualFree): the platform's own calls on Windows, our stand-ins on Linux
// (see platform/host/memoryapi.h).
#pragma once

#include "platform/wintypes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/memoryapi.h"
#endif
