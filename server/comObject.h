// The object wrappers that give an automation class T its component-object
// shape, the instance creators that a class factory calls, and the class's
// tie to its class id. CComObject<T> stands alone and counts its own
// references; CComAggObject<T> is the inner object of an aggregate, with its
// own IUnknown and a whole CComContainedObject<T>, whose IUnknown operations go
// to the outer object. Each live wrapper holds one lock on the module. The
// creators make a plain CComObject<T> without an outer unknown and a
// CComAggObject<T> with one; allocation failures and exceptions from
// construction become E_OUTOFMEMORY, and an object whose first query fails is
// destroyed again.
#pragma once

#include <new>

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

namespace creator_detail {

template <class Object, class... Args>
HRESULT MakeAndQuery(REFIID iid, void** out, Args... args) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  Object* object = nullptr;
  try {
    object = new (std::nothrow) Object(args...);
  } catch (...) {
    object = nullptr;
  }
  if (object == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = object->QueryInterface(iid, out);
  if (hr != S_OK) delete object;
  return hr;
}

}  // namespace creator_detail

template <class T>
HRESULT PlainObjectCreator(void*, REFIID iid, void** out) {
  return creator_detail::MakeAndQuery<CComObject<T>>(iid, out);
}

template <class T>
HRESULT AggregatedObjectCreator(void* context, REFIID iid, void** out) {
  return creator_detail::MakeAndQuery<CComAggObject<T>>(iid, out, static_cast<IUnknown*>(context));
}

template <class T>
HRESULT InstanceCreator(void* context, REFIID iid, void** out) {
  if (context == nullptr) return PlainObjectCreator<T>(context, iid, out);
  return AggregatedObjectCreator<T>(context, iid, out);
}

// CComCoClass ties an automation class to its class id and its instance
// creator.
template <class T, const CLSID* pclsid>
class CComCoClass {
 public:
  static const CLSID& GetObjectCLSID() { return *pclsid; }
  static HRESULT CreateInstance(void* outer, REFIID iid, void** out) {
    return InstanceCreator<T>(outer, iid, out);
  }
};

// The map of a class T whose one dual interface Interface answers both its
// own id and IID_IDispatch.
template <class T, class Interface, const IID* piid>
const InterfaceMapEntry* DualInterfaceMap() {
  static const InterfaceMapEntry map[] = {
      {piid, OffsetOfBase<Interface, T>(), kInterfaceMapOffset},
      {&IID_IDispatch, OffsetOfBase<Interface, T>(), kInterfaceMapOffset},
      {nullptr, 0, kInterfaceMapEnd},
  };
  return map;
}
