// The class factory of every row: CComClassFactory makes instances through
// the instance creator of the row it was made for, and
// CComObjectCached<CComClassFactory> is the cached form that the object map
// keeps: its first reference belongs to the row, and every further holder
// keeps the module loaded. ClassFactoryCreator, the class-object creator of
// every row, makes one.
#include "server/comModule.h"

#include <new>

#include "platform/wintypes.h"
#include "server/comObjectRoot.h"

namespace {

class CComClassFactory : public IClassFactory, public CComObjectRootEx<CComMultiThreadModel> {
 public:
  explicit CComClassFactory(CreatorFunction creator) : instanceCreator(creator) {}
  virtual ~CComClassFactory() = default;

  static const InterfaceMapEntry* GetInterfaceMap();

  // IClassFactory
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** out) override;
  STDMETHOD(LockServer)(BOOL lock) override;

 protected:
  CreatorFunction instanceCreator;
};

template <class Base>
class CComObjectCached;

template <>
class CComObjectCached<CComClassFactory> final : public CComClassFactory {
 public:
  explicit CComObjectCached(CreatorFunction creator) : CComClassFactory(creator) {}
  ~CComObjectCached() override;

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
};

const InterfaceMapEntry* CComClassFactory::GetInterfaceMap() {
  static const InterfaceMapEntry map[] = {
      {&IID_IClassFactory, 0, kInterfaceMapOffset},
      {nullptr, 0, kInterfaceMapEnd},
  };
  return map;
}

HRESULT CComClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr && !IsEqualGUID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  try {
    return instanceCreator(outer, iid, out);
  } catch (...) {
    // The creators catch their own failures; this keeps any other exception
    // from leaving through the interface.
    return E_UNEXPECTED;
  }
}

HRESULT CComClassFactory::LockServer(BOOL lock) {
  if (lock)
    currentModule->Lock();
  else
    currentModule->Unlock();
  return S_OK;
}

CComObjectCached<CComClassFactory>::~CComObjectCached() { refCount = kDestroyedCount; }

HRESULT CComObjectCached<CComClassFactory>::QueryInterface(REFIID iid, void** out) {
  return InternalQueryInterface(this, GetInterfaceMap(), iid, out);
}

// The row holds the first reference; from the second on, a caller holds the
// factory and so the module.
ULONG CComObjectCached<CComClassFactory>::AddRef() {
  ULONG count = InternalAddRef();
  if (count == 2) currentModule->Lock();
  return count;
}

ULONG CComObjectCached<CComClassFactory>::Release() {
  ULONG count = InternalRelease();
  if (count == 0) {
    delete this;
  } else if (count == 1 && currentModule != nullptr) {
    // A caller that still held the factory when the module record went away
    // (a reference leaked past unloading) has nothing left to unlock.
    currentModule->Unlock();
  }
  return count;
}

}  // namespace

HRESULT ClassFactoryCreator(void* context, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  CComObjectCached<CComClassFactory>* factory = nullptr;
  try {
    factory = new (std::nothrow)
        CComObjectCached<CComClassFactory>(reinterpret_cast<CreatorFunction>(context));
  } catch (...) {
    factory = nullptr;
  }
  if (factory == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = factory->QueryInterface(iid, out);
  if (hr != S_OK) delete factory;
  return hr;
}
