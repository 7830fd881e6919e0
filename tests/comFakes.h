// Stand-in objects shared by the unit tests that hand objects to the
// platform or the frame: a dispatch object that answers only what a test
// overrides, and an outer object that counts the references an aggregated
// inner part forwards to it. Both live on the test's stack; nothing deletes
// them.
#pragma once

#include "platform/oleauto.h"

namespace comfakes {

// Interface (IDispatch or one derived from it) with every IUnknown and
// IDispatch method answered: no other interfaces, references not counted,
// E_NOTIMPL for the dispatch calls. A test overrides what it exercises.
template <class Interface = IDispatch>
struct FakeDispatch : Interface {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};

// An outer object for aggregation: it answers no interface and counts the
// references forwarded to it, starting from the one its creator holds.
class CountingOuter : public IUnknown {
 public:
  LONG count = 1;
  STDMETHOD(QueryInterface)(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++count); }
  STDMETHOD_(ULONG, Release)() override { return static_cast<ULONG>(--count); }
};

}  // namespace comfakes
