// Process attach and detach, shared by DllMain and the host's load hooks.
#include "server/processNotifications.h"

#include "server/comModule.h"
#include "server/zolmcomInterfaces.h"

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
