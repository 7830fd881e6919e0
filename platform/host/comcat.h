// The component categories manager's interface on Linux. The host offers no
// such manager: CoCreateInstance of CLSID_StdComponentCategoriesMgr fails,
// which self-registration treats as categories being unsupported.
#pragma once

#include "platform/host/wintypes.h"

typedef GUID CATID;

extern "C" ZOLMPLATFORM_API const CLSID CLSID_StdComponentCategoriesMgr;
extern "C" ZOLMPLATFORM_API const IID IID_ICatRegister;

struct CATEGORYINFO;

struct ICatRegister : public IUnknown {
  STDMETHOD(RegisterCategories)(ULONG count, CATEGORYINFO* info) PURE;
  STDMETHOD(UnRegisterCategories)(ULONG count, CATID* ids) PURE;
  STDMETHOD(RegisterClassImplCategories)(REFCLSID clsid, ULONG count, CATID* ids) PURE;
  STDMETHOD(UnRegisterClassImplCategories)(REFCLSID clsid, ULONG count, CATID* ids) PURE;
  STDMETHOD(RegisterClassReqCategories)(REFCLSID clsid, ULONG count, CATID* ids) PURE;
  STDMETHOD(UnRegisterClassReqCategories)(REFCLSID clsid, ULONG count, CATID* ids) PURE;
};
