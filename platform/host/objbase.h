// Component activation on the host. A class id leads through the in-process
// registry (HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, default value) to
// the path of a shared object, which is loaded with the dynamic loader and kept
// loaded; its DllGetClassObject gives the class factory. Only in-process
// servers exist here: the platform's own classes (the global interface table,
// the component categories manager) are not registered, so asking for them
// gives REGDB_E_CLASSNOTREG, which their callers treat as "not available".
// Apartments are not modelled: CoInitialize only counts per thread.
#pragma once

#include "platform/host/wintypes.h"

enum CLSCTX : DWORD {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10,
  CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
               CLSCTX_REMOTE_SERVER,
};

// The length of a GUID in braces with its terminator: {8-4-4-4-12} and NUL.
#define CHARS_IN_GUID 39

// Only named: creating it fails here, so none of its own operations is called.
struct IGlobalInterfaceTable : public IUnknown {};

// The entry points an in-process server exports.
typedef HRESULT (*LPFNGETCLASSOBJECT)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT (*LPFNCANUNLOADNOW)();

extern "C" {
ZOLMPLATFORM_API HRESULT CoInitialize(LPVOID reserved);
ZOLMPLATFORM_API void CoUninitialize();

ZOLMPLATFORM_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID serverInfo,
                                          REFIID iid, LPVOID* out);
ZOLMPLATFORM_API HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context,
                                          REFIID iid, LPVOID* out);
// Unloads every loaded server whose DllCanUnloadNow answers S_OK.
ZOLMPLATFORM_API void CoFreeUnusedLibraries();

ZOLMPLATFORM_API HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);
ZOLMPLATFORM_API HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
ZOLMPLATFORM_API int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity);

ZOLMPLATFORM_API LPVOID CoTaskMemAlloc(SIZE_T size);
ZOLMPLATFORM_API LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size);
ZOLMPLATFORM_API void CoTaskMemFree(LPVOID block);
}
