// The library's exported entry points. On the host only these four leave
// libzolmcom.so (everything else is hidden); on Windows zolmcom.def exports
// them.
#pragma once

#include "platform/wintypes.h"

#ifdef _WIN32
#define ZOLM_ENTRY_POINT STDAPI
#else
#define ZOLM_ENTRY_POINT extern "C" __attribute__((visibility("default"))) HRESULT
#endif

ZOLM_ENTRY_POINT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out);
ZOLM_ENTRY_POINT DllCanUnloadNow();
ZOLM_ENTRY_POINT DllRegisterServer();
ZOLM_ENTRY_POINT DllUnregisterServer();
