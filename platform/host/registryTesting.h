// For tests only (Linux): start the in-process registry afresh.
#pragma once

#include "platform/host/wintypes.h"

extern "C" {

// Empties every root key and closes every handle. With fillFontTables the
// font tables are filled from fontconfig again on the next use of
// HKEY_LOCAL_MACHINE; without it they stay empty, for tests that write
// their own font table.
ZOLMPLATFORM_API void ZolmRegistryReset(BOOL fillFontTables);

// The number of handles open now, so a test can see that a caller closed
// what it opened.
ZOLMPLATFORM_API DWORD ZolmRegistryOpenHandles(void);

}  // extern "C"
