// The library's four exported entry points and its process notifications.
// DllGetClassObject and DllCanUnloadNow answer through the module's class-object
// search and its lock count; DllRegisterServer and DllUnregisterServer register
// or remove both classes, their ProgIDs and the type library. Whatever the
// frame raises on the way is turned into an HRESULT here at the latest: no C++
// exception leaves the library. DllMain runs the process notifications on
// Windows; the host build runs the same ones from the shared object's load and
// unload (server/moduleRecords.cpp).
#include "automation/entryPoints.h"

#include "automation/zolmcomInterfaces.h"
#include "server/comModule.h"
#include "server/registrar/frameStrings.h"

ZOLM_ENTRY_POINT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  try {
    return theModule.GetClassObject(clsid, iid, out);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

ZOLM_ENTRY_POINT DllCanUnloadNow() { return theModule.GetLockCount() == 0 ? S_OK : S_FALSE; }

ZOLM_ENTRY_POINT DllRegisterServer() {
  return FrameGuard([]() -> HRESULT { return theModule.RegisterAll(true, nullptr); });
}

ZOLM_ENTRY_POINT DllUnregisterServer() {
  return FrameGuard([]() -> HRESULT { return theModule.UnregisterAll(true, nullptr); });
}

// The result of Init is not looked at: a module that could not start answers
// its callers with errors instead of refusing to load.
void ProcessAttach(HINSTANCE instance) {
  try {
    theModule.Init(moduleObjectMap, instance, &LIBID_ZOLMCOMLib);
  } catch (...) {
  }
}

void ProcessDetach() {
  try {
    theModule.Term();
  } catch (...) {
  }
}

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ProcessAttach(instance);
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    ProcessDetach();
  }
  return TRUE;
}
#endif
