// The platform's file calls on Linux: CreateFileW, ReadFile, WriteFile,
// SetFilePointer, GetFileSize, GetFileType, FlushFileBuffers, CloseHandle,
// GetFinalPathNameByHandleW, MoveFileExW, ReplaceFileW, DeleteFileW and the
// thread's last error code, over POSIX
// descriptors. Names arrive as UTF-16 and are opened as UTF-8;
// errno values are reported as the platform's error codes, so callers see the
// same numbers on both sides (a missing file is 2, access denied 5).
// Share modes are accepted but not enforced: POSIX has no mandatory locks.
#pragma once

#include "platform/host/wintypes.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define FILE_TYPE_UNKNOWN 0u
#define FILE_TYPE_DISK 1u
#define FILE_TYPE_CHAR 2u
#define FILE_TYPE_PIPE 3u
#define STD_INPUT_HANDLE ((DWORD)-10)
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)
#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_WRITE_THROUGH 0x00000008u
#define FILE_NAME_NORMALIZED 0x0u
#define VOLUME_NAME_DOS 0x0u
#define REPLACEFILE_IGNORE_MERGE_ERRORS 0x00000002u
#define REPLACEFILE_IGNORE_ACL_ERRORS 0x00000004u

#define ERROR_NOT_SAME_DEVICE 17L
#define ERROR_WRITE_FAULT 29L
#define ERROR_GEN_FAILURE 31L
#define ERROR_BROKEN_PIPE 109L
// What the platform's ReplaceFileW reports when it removed the replaced file
// but could not move the replacement in; the host's never does.
#define ERROR_UNABLE_TO_MOVE_REPLACEMENT 1176L

// SECURITY_ATTRIBUTES is one of the base types (wintypes.h), shared with the registry.
struct OVERLAPPED;  // asynchronous I/O is not offered; pass null
typedef OVERLAPPED* LPOVERLAPPED;

extern "C" {
ZOLMPLATFORM_API HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess,
                                           DWORD dwShareMode,
                                           LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                           DWORD dwCreationDisposition,
                                           DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
ZOLMPLATFORM_API BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                      LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
ZOLMPLATFORM_API BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer,
                                       DWORD nNumberOfBytesToWrite,
                                       LPDWORD lpNumberOfBytesWritten,
                                       LPOVERLAPPED lpOverlapped);
ZOLMPLATFORM_API DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove,
                                             PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod);
ZOLMPLATFORM_API DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
// The process's standard input, output or error as a file handle (file
// descriptors 0, 1 and 2); INVALID_HANDLE_VALUE for any other number.
ZOLMPLATFORM_API HANDLE WINAPI GetStdHandle(DWORD nStdHandle);
// FILE_TYPE_DISK for a regular file, FILE_TYPE_CHAR for a device,
// FILE_TYPE_PIPE for a pipe or socket, FILE_TYPE_UNKNOWN (last error set)
// otherwise.
ZOLMPLATFORM_API DWORD WINAPI GetFileType(HANDLE hFile);
// Puts the file's data on the disk (fsync).
ZOLMPLATFORM_API BOOL WINAPI FlushFileBuffers(HANDLE hFile);
ZOLMPLATFORM_API BOOL WINAPI CloseHandle(HANDLE hObject);
// Renames a file in one step. An existing target is replaced only with
// MOVEFILE_REPLACE_EXISTING (ERROR_ALREADY_EXISTS otherwise);
// MOVEFILE_WRITE_THROUGH returns once the folder's new entry is on the disk.
ZOLMPLATFORM_API BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName,
                                         DWORD dwFlags);
// The full name of the file behind a handle, symbolic links followed
// (FILE_NAME_NORMALIZED | VOLUME_NAME_DOS only): its length without the
// terminator; when `cchFilePath` is too small, the size it needs with the
// terminator; 0 with the last error set on failure.
ZOLMPLATFORM_API DWORD WINAPI GetFinalPathNameByHandleW(HANDLE hFile, LPWSTR lpszFilePath,
                                                       DWORD cchFilePath, DWORD dwFlags);
// Puts `replacement` in the place of `replaced` in one step. The result keeps
// the replaced file's permission bits and, where the user may give it, its
// owner and group (REPLACEFILE_IGNORE_ACL_ERRORS: go on when they cannot be
// given). No backup is made (lpBackupFileName must be null). A replaced file
// that does not exist is ERROR_FILE_NOT_FOUND, both files as they were; the
// new name is on the disk when the call returns.
ZOLMPLATFORM_API BOOL WINAPI ReplaceFileW(LPCWSTR lpReplacedFileName,
                                          LPCWSTR lpReplacementFileName,
                                          LPCWSTR lpBackupFileName, DWORD dwReplaceFlags,
                                          LPVOID lpExclude, LPVOID lpReserved);
// Removes a file; a folder is refused with ERROR_ACCESS_DENIED.
ZOLMPLATFORM_API BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);
ZOLMPLATFORM_API DWORD WINAPI GetLastError(void);
ZOLMPLATFORM_API void WINAPI SetLastError(DWORD dwErrCode);
}
