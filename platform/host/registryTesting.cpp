// Test support for the in-process registry: start afresh, count open handles.
#include "platform/host/registryTesting.h"

#include "platform/host/registryStore.h"

extern "C" {

void ZolmRegistryReset(BOOL fillFontTables) {
  zolm_platform::registry::reset(fillFontTables != FALSE);
}

DWORD ZolmRegistryOpenHandles(void) { return zolm_platform::registry::openHandleCount(); }

}  // extern "C"
