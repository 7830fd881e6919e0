// Registry access: the platform's registry on Windows; on Linux an
// in-process registry of our own with the same root keys, access masks, value
// types and result codes (see platform/host/winreg.h).
#pragma once

#include "platform/wintypes.h"

#ifdef _WIN32
#include <windows.h>
#include <winreg.h>
#else
#include "platform/host/winreg.h"
#endif
