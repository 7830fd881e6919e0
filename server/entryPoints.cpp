// DllGetClassObject and DllCanUnloadNow: the module's class-object search and
// its lock count, with no exception ever leaving the library.
#include "server/entryPoints.h"

#include "server/comModule.h"

ZOLM_ENTRY_POINT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  try {
    return theModule.GetClassObject(clsid, iid, out);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

ZOLM_ENTRY_POINT DllCanUnloadNow() { return theModule.GetLockCount() == 0 ? S_OK : S_FALSE; }
