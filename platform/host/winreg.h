// The registry on Linux: an in-process tree of keys, each with named, typed
// values and a default value (empty name), under the platform's root keys.
//
// - It lives in memory for the life of the process and is not saved.
// - HKEY_CLASSES_ROOT is a tree of its own, not a view merged from
//   HKEY_LOCAL_MACHINE\SOFTWARE\Classes and HKEY_CURRENT_USER as on Windows.
// - Key and value names compare without regard to case for the letters of
//   ASCII and Latin-1; keys and values enumerate in the order they were made.
// - The 8-bit ("A") calls take and give UTF-8, the ANSI code page on Linux;
//   text data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) is kept in UTF-16.
// - The calls are those the library makes, in the forms it makes them: it
//   writes and walks its registrations through the 8-bit calls and reads the
//   font tables through RegOpenKeyExW and RegEnumValueW. RegSetValueExW writes
//   UTF-16 data as it comes, even of odd sizes, as other writers may leave it.
// - Access is checked as the platform checks it: reading values needs
//   KEY_QUERY_VALUE, writing them KEY_SET_VALUE, making subkeys
//   KEY_CREATE_SUB_KEY, listing them KEY_ENUMERATE_SUB_KEYS.
// - A handle that is not open (never opened, closed, garbage) gives
//   ERROR_INVALID_HANDLE; a handle of a key deleted meanwhile ERROR_KEY_DELETED.
// - The font tables below HKEY_LOCAL_MACHINE,
//   "SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts" and
//   "SOFTWARE\Microsoft\Windows\CurrentVersion\Fonts",
//   are filled from the machine's fonts (fontconfig) the first time
//   HKEY_LOCAL_MACHINE is used: one value per TrueType or OpenType file, named
//   as Windows names it ("DejaVu Sans Bold (TrueType)"), its data the file's
//   full path.
// All calls may be made from any thread; one lock keeps each call whole.
#pragma once

#include "platform/host/wintypes.h"

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_PERFORMANCE_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000004))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))
#define HKEY_DYN_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000006))

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

extern "C" {

ZOLMPLATFORM_API LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions,
                                              REGSAM samDesired, PHKEY phkResult);
ZOLMPLATFORM_API LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions,
                                              REGSAM samDesired, PHKEY phkResult);
ZOLMPLATFORM_API LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved,
                                                LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                                                const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                                PHKEY phkResult, LPDWORD lpdwDisposition);
ZOLMPLATFORM_API LSTATUS WINAPI RegCloseKey(HKEY hKey);
ZOLMPLATFORM_API LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);

ZOLMPLATFORM_API LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved,
                                               DWORD dwType, const BYTE* lpData, DWORD cbData);
ZOLMPLATFORM_API LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved,
                                               DWORD dwType, const BYTE* lpData, DWORD cbData);
ZOLMPLATFORM_API LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);

ZOLMPLATFORM_API LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName,
                                              LPDWORD lpcchValueName, LPDWORD lpReserved,
                                              LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
// Without class or time of last writing: keys have neither here.
ZOLMPLATFORM_API LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName,
                                              LPDWORD lpcchName, LPDWORD lpReserved,
                                              LPSTR lpClass, LPDWORD lpcchClass,
                                              PFILETIME lpftLastWriteTime);
// Tells the numbers of subkeys and values only; every other pointer must be null.
ZOLMPLATFORM_API LSTATUS WINAPI RegQueryInfoKeyA(
    HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
    LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
    LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
    PFILETIME lpftLastWriteTime);

}  // extern "C"
