// Module and resource access on Linux. A module handle is the address at
// which a shared object (or the program) is mapped, as it is on the platform,
// so dladdr answers which file it is. Resources are compiled into a shared
// object as one block of bytes (resources/embedResources.cmake) in the
// section ".zolm_resources", exported as zolmResourceTable. FindResourceA
// reads the block of a loaded module through that name. LoadLibraryExA with
// LOAD_LIBRARY_AS_DATAFILE maps the file as data only, as the platform does:
// the file is never handed to the dynamic loader, so none of its code runs,
// and its resources are read from the section; such a handle is the mapping's
// address plus 1 and serves FindResourceA, LoadResource, SizeofResource and
// FreeLibrary only.
//
// The block, in little-endian 32-bit numbers: "ZOLMRSRC", the block's size
// in bytes, the number of entries; then per entry the offset of its type's
// text (NUL-terminated, from the block's start), its numeric name, the offset
// of its data counted from the entry itself, and the data's size in bytes.
#pragma once

#include "platform/host/wintypes.h"

#define ERROR_BAD_EXE_FORMAT 193L

#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define DONT_RESOLVE_DLL_REFERENCES 0x00000001

// A resource name or type is either text or a 16-bit number carried in the
// pointer itself.
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_VERSION MAKEINTRESOURCEA(16)
#define RT_MANIFEST MAKEINTRESOURCEA(24)

#define ZOLM_RESOURCE_TABLE_NAME "zolmResourceTable"
#define ZOLM_RESOURCE_SECTION ".zolm_resources"

extern "C" {
// Copies the module's full path; a path that does not fit is cut to
// capacity - 1 bytes, the result is then capacity and the last error
// ERROR_INSUFFICIENT_BUFFER. A null module is the program itself.
ZOLMPLATFORM_API DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD capacity);
// Null: the program. Otherwise a loaded shared object whose file name (with or
// without its directory) equals name.
ZOLMPLATFORM_API HMODULE GetModuleHandleA(LPCSTR name);
// Without LOAD_LIBRARY_AS_DATAFILE the file is loaded and its start-up code
// runs. With it, a file that is not an ELF object fails with
// ERROR_BAD_EXE_FORMAT; one without resources maps, and FindResourceA then
// fails with ERROR_RESOURCE_DATA_NOT_FOUND.
ZOLMPLATFORM_API HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags);
ZOLMPLATFORM_API BOOL FreeLibrary(HMODULE module);
ZOLMPLATFORM_API HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
ZOLMPLATFORM_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
ZOLMPLATFORM_API LPVOID LockResource(HGLOBAL data);
ZOLMPLATFORM_API DWORD SizeofResource(HMODULE module, HRSRC resource);
// Thread notifications do not exist here; always succeeds.
ZOLMPLATFORM_API BOOL DisableThreadLibraryCalls(HMODULE module);
}
