// The platform's basic types, HRESULTs, GUIDs, BSTR, VARIANT, IUnknown and
// IDispatch: the real headers on Windows, our own declarations on Linux.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#else
#include "platform/host/wintypes.h"
#endif
