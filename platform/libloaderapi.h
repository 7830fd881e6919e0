// Module and resource access: the file name of a loaded module, mapping a
// module file to read its resources, and finding, loading and sizing a
// resource. The real platform's calls on Windows, our own stand-ins on Linux.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/libloaderapi.h"
#endif
