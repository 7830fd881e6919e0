// The object wrappers that give an automation class T its component-object
// shape: CComObject<T> stands alone and counts its own references;
// CComAggObject<T> is the inner object of an aggregate, with its own IUnknown
// and a whole CComContainedObject<T>, whose IUnknown operations go to the
// outer object. Each live wrapper holds one lock on the module.
#pragma once

#include "platform/wintypes.h"
#include "server/comModule.h"
#include "server/comObjectRoot.h"

template <class T>
class CComObject final : public T {
 public:
  CComObject() { currentModule->Lock(); }
  // The count is marked destroyed and the module unlocked before T's own
  // destructor runs.
  virtual ~CComObject() {
    this->refCount = CComObjectRootBase::kDestroyedCount;
    currentModule->Unlock();
  }

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    return CComObjectRootBase::InternalQueryInterface(static_cast<T*>(this), T::GetInterfaceMap(),
                                                      iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
  STDMETHOD_(ULONG, Release)() override {
    ULONG count = this->InternalRelease();
    if (count == 0) delete this;
    return count;
  }
};

template <class T>
class CComContainedObject final : public T {
 public:
  explicit CComContainedObject(IUnknown* outer) { this->outerUnknown = outer; }

  // IUnknown: the outer object answers for the aggregate.
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    return this->OuterQueryInterface(iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() override { return this->OuterAddRef(); }
  STDMETHOD_(ULONG, Release)() override { return this->OuterRelease(); }
};

template <class T>
class CComAggObject final : public IUnknown, public CComObjectRootEx<CComSingleThreadModel> {
 public:
  explicit CComAggObject(IUnknown* outer) : contained(outer) { currentModule->Lock(); }
  virtual ~CComAggObject() {
    refCount = kDestroyedCount;
    currentModule->Unlock();
  }

  // IUnknown: the aggregate's own, non-delegating one.
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualGUID(iid, IID_IUnknown)) {
      IUnknown* own = this;
      own->AddRef();
      *out = own;
      return S_OK;
    }
    return InternalQueryInterface(static_cast<T*>(&contained), T::GetInterfaceMap(), iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() override { return InternalAddRef(); }
  STDMETHOD_(ULONG, Release)() override {
    ULONG count = InternalRelease();
    if (count == 0) delete this;
    return count;
  }

  CComContainedObject<T> contained;
};
