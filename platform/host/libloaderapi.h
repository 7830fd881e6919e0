// Module and resource access on Linux. A module handle is the address at
// which a shared object (or the program) is mapped, as it is on the platform,
// so dladdr answers which file it is. Resources are compiled into a shared
// object as one block of bytes (resources/embedResources.cmake) in the
// section ".zolm_resources". They are read the way the library reads them:
// LoadLibraryExA with LOAD_LIBRARY_AS_DATAFILE maps the file as data only, as
// the platform does, so none of its code runs, and finds the block in the
// section; such a handle is the mapping's address plus 1 and serves
// FindResourceA, LoadResource, SizeofResource and FreeLibrary. Loading a
// module for its code is left to the dynamic loader (CoCreateInstance).
//
// The block, in little-endian 32-bit numbers: "ZOLMRSRC", the block's size
// in bytes, the number of entries; then per entry the offset of its type's
// text (NUL-terminated, from the block's start), its numeric name, the offset
// of its data counted from the entry itself, and the data's size in bytes.
#pragma once

#include "platform/host/wintypes.h"

#define ERROR_BAD_EXE_FORMAT 193L

#define LOAD_LIBRARY_AS_DATAFILE 0x00000002

// A resource name or type is either text or a 16-bit number carried in the
// pointer itself.
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))

#define ZOLM_RESOURCE_SECTION ".zolm_resources"

extern "C" {
// Copies the module's full path; a path that does not fit is cut to
// capacity - 1 bytes, the result is then capacity and the last error
// ERROR_INSUFFICIENT_BUFFER. A null module is the program itself.
ZOLMPLATFORM_API DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD capacity);
// Null: the program. Modules are not looked up by name (ERROR_MOD_NOT_FOUND).
ZOLMPLATFORM_API HMODULE GetModuleHandleA(LPCSTR name);
// Only with LOAD_LIBRARY_AS_DATAFILE (ERROR_INVALID_PARAMETER otherwise). A
// file that is not an ELF object fails with ERROR_BAD_EXE_FORMAT; one without
// resources maps, and FindResourceA then fails with
// ERROR_RESOURCE_DATA_NOT_FOUND, as it does for any module not mapped so.
ZOLMPLATFORM_API HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags);
ZOLMPLATFORM_API BOOL FreeLibrary(HMODULE module);
ZOLMPLATFORM_API HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
ZOLMPLATFORM_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
ZOLMPLATFORM_API LPVOID LockResource(HGLOBAL data);
ZOLMPLATFORM_API DWORD SizeofResource(HMODULE module, HRSRC resource);
// Thread notifications do not exist here; always succeeds.
ZOLMPLATFORM_API BOOL DisableThreadLibraryCalls(HMODULE module);
}
