// The class factory of both classes: CComClassFactory makes instances through
// the instance creator of the row it was made for, and
// CComObjectCached<CComClassFactory> is the cached form that the object map
// keeps: its first reference belongs to the row, and every further holder
// keeps the module loaded.
#pragma once

#include "platform/wintypes.h"
#include "server/comObjectRoot.h"
#include "server/objectMapEntry.h"

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
