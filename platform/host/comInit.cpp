// CoInitialize and CoUninitialize on the host: apartments are not modelled,
// so they only count per thread, answering S_FALSE for a thread that is
// already initialised, as the platform does.
#include "platform/host/objbase.h"

namespace {
thread_local LONG initialisations = 0;
}

extern "C" {

HRESULT CoInitialize(LPVOID) { return initialisations++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (initialisations > 0) --initialisations;
}

}  // extern "C"
