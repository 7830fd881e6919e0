// DllRegisterServer and DllUnregisterServer: register or remove both classes,
// their ProgIDs and the type library. Whatever the frame raises on the way is
// turned into an HRESULT here at the latest; no C++ exception leaves them.
#include "server/entryPoints.h"

#include "server/comModule.h"
#include "server/registrar/frameStrings.h"

ZOLM_ENTRY_POINT DllRegisterServer() {
  return FrameGuard([]() -> HRESULT { return theModule.RegisterAll(true, nullptr); });
}

ZOLM_ENTRY_POINT DllUnregisterServer() {
  return FrameGuard([]() -> HRESULT { return theModule.UnregisterAll(true, nullptr); });
}
