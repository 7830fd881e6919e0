// FormatMessageW on Linux, for the platform's error codes that the host
// stand-ins report (GetLastError): the text is the C library's for the
// POSIX error the code was mapped from (the file calls' mapping in
// fileapi.cpp, turned round), or the platform's wording where no POSIX
// error matches. Only FORMAT_MESSAGE_FROM_SYSTEM into the caller's buffer
// is offered, with FORMAT_MESSAGE_IGNORE_INSERTS; a code without text
// fails with ERROR_MR_MID_NOT_FOUND, as on the platform.
#pragma once

#include <cstdarg>

#include "platform/host/wintypes.h"

#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u
#define ERROR_MR_MID_NOT_FOUND 317L

extern "C" {
// The message for messageId into buffer (size in characters, the
// terminator included); the characters written without the terminator, or
// 0 with the last error set.
ZOLMPLATFORM_API DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId,
                                             DWORD languageId, LPWSTR buffer, DWORD size,
                                             va_list* arguments);
}
