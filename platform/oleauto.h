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

#include "platform/oaidl.h"

#ifndef _WIN32
// The type library services on Linux (platform/host/typelib*.cpp). A type
// library file or module resource there holds the library's types in the form
// resources/generate_from_idl.py writes at build time; registration writes the
// same registry entries as the platform's (TypeLib\{libid}\maj.min and
// Interface\{iid}); LoadRegTypeLib finds exactly the version registered.
extern "C" {
ZOLMPLATFORM_API HRESULT WINAPI LoadTypeLib(const OLECHAR* szFile, ITypeLib** pptlib);
ZOLMPLATFORM_API HRESULT WINAPI LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor,
                                               LCID lcid, ITypeLib** pptlib);
// Non-const paths, as the platform declares them.
ZOLMPLATFORM_API HRESULT WINAPI RegisterTypeLib(ITypeLib* ptlib, OLECHAR* szFullPath,
                                                OLECHAR* szHelpDir);
ZOLMPLATFORM_API HRESULT WINAPI UnRegisterTypeLib(REFGUID libID, WORD wVerMajor,
                                                  WORD wVerMinor, LCID lcid, SYSKIND syskind);
}  // extern "C"
#endif
