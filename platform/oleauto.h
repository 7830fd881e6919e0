// OLE Automation services: BSTR allocation, VARIANT handling and number
// conversion, and (below the marker) the type library services. On Windows
// these are the platform's own (oleaut32); on Linux our stand-ins in
// libzolmplatform.so with the same names, signatures and result codes.
#pragma once

#include "platform/wintypes.h"

#ifdef _WIN32
#include <oleauto.h>
#else
#include "platform/host/oleauto.h"
#endif

// ---- end of the BSTR and VARIANT services; type library services follow ----
