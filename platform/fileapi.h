// File access as the platform names it (CreateFileW, ReadFile, WriteFile,
// SetFilePointer, GetFileSize, CloseHandle, GetLastError): the real calls on
// Windows, our POSIX-backed stand-ins on Linux.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/fileapi.h"
#endif
