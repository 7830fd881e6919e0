// Component activation and the task allocator: CoInitialize, CoCreateInstance,
// CoGetClassObject, ProgID and GUID strings, CoTaskMemAlloc. The real platform
// on Windows; on the host, libzolmplatform.so activates in-process servers
// through the in-process registry and the dynamic loader.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#else
#include "platform/host/objbase.h"
#endif
