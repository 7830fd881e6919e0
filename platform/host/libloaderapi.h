// Module and resource access on Linux. A module handle is the address at
// which a shared object (or the program) is mapped, as it is on the platform,
// so dladdr answers which file it is. Resources are compiled into a shared
// object as a table of entries exported under the name ZOLM_RESOURCE_TABLE
// (see resources/CMakeLists.txt); FindResourceA looks the table up in the
// module it is given. LoadLibraryExA maps a file with dlopen, also for
// LOAD_LIBRARY_AS_DATAFILE: a shared object cannot be mapped without being
// loaded, so its start-up code runs, which our own library tolerates.
#pragma once

#include "platform/host/wintypes.h"

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

// One embedded resource. type and name are text, or null with the number in
// typeId or nameId. The table ends with an entry whose data is null.
struct ZolmResourceEntry {
  const char* type;
  WORD typeId;
  const char* name;
  WORD nameId;
  const BYTE* data;
  DWORD size;
};
#define ZOLM_RESOURCE_TABLE zolmResourceTable
#define ZOLM_RESOURCE_TABLE_NAME "zolmResourceTable"

extern "C" {
// Copies the module's full path; a path that does not fit is cut to
// capacity - 1 bytes, the result is then capacity and the last error
// ERROR_INSUFFICIENT_BUFFER. A null module is the program itself.
ZOLMPLATFORM_API DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD capacity);
// Null: the program. Otherwise a loaded shared object whose file name (with or
// without its directory) equals name.
ZOLMPLATFORM_API HMODULE GetModuleHandleA(LPCSTR name);
ZOLMPLATFORM_API HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags);
ZOLMPLATFORM_API BOOL FreeLibrary(HMODULE module);
ZOLMPLATFORM_API HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
ZOLMPLATFORM_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
ZOLMPLATFORM_API LPVOID LockResource(HGLOBAL data);
ZOLMPLATFORM_API DWORD SizeofResource(HMODULE module, HRSRC resource);
// Thread notifications do not exist here; always succeeds.
ZOLMPLATFORM_API BOOL DisableThreadLibraryCalls(HMODULE module);
}
