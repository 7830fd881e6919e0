// IDispatchImpl: the IDispatch half of a dual interface. Its four operations
// hand over to the interface's module-wide CComTypeInfoHolder, which serves
// every object of the class, plain or aggregated.
#pragma once

#include "platform/oleauto.h"
#include "platform/wintypes.h"
#include "server/typeInfoHolder.h"

template <class Interface, const IID* piid, const GUID* plibid, WORD major = 1, WORD minor = 0,
          class Holder = CComTypeInfoHolder>
class IDispatchImpl : public Interface {
 public:
  // IDispatch
  STDMETHOD(GetTypeInfoCount)(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  // The holder and the type information report failures as HRESULTs; the
  // handlers only keep anything thrown below them from leaving the library.
  STDMETHOD(GetTypeInfo)(UINT, LCID lcid, ITypeInfo** info) override {
    try {
      return typeInfoHolder.GetTypeInfo(lcid, info);
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID lcid,
                           DISPID* ids) override {
    try {
      return typeInfoHolder.GetIDsOfNames(names, count, lcid, ids);
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  STDMETHOD(Invoke)(DISPID dispatchId, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                    VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
    try {
      return typeInfoHolder.Invoke(static_cast<Interface*>(this), dispatchId, lcid, flags, params,
                                   result, exception, argumentError);
    } catch (...) {
      return DISP_E_EXCEPTION;
    }
  }

  static Holder typeInfoHolder;
};

template <class Interface, const IID* piid, const GUID* plibid, WORD major, WORD minor,
          class Holder>
Holder IDispatchImpl<Interface, piid, plibid, major, minor, Holder>::typeInfoHolder{piid, plibid,
                                                                                    major, minor};
