// The Windows version code that chooses which font table to read: one small
// number per known release (1 to 7 the Windows 95 line, 101 to 107 the NT
// line, 201 Windows CE), 0 for anything not known.
#pragma once

#include "platform/wintypes.h"

// The code for a reported platform id, major and minor version and build
// number (of which only the low 16 bits count).
int WindowsVersionCode(DWORD platformId, DWORD major, DWORD minor, DWORD build);

// The code of the platform the library runs on; 0 when the query fails.
int GetWindowsVersionCode();
