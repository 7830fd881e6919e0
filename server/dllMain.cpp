// DllMain, the platform's process notifications on Windows. The host build
// runs the same notifications from the shared object's load and unload
// (moduleRecords.cpp).
#ifdef _WIN32
#include "platform/wintypes.h"
#include "server/processNotifications.h"

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
