// The object roots: the one word every component object of the frame holds,
// its reference count when it stands alone or its outer unknown when it is the
// inner part of an aggregate, and the counting of that word in the object's
// threading model.
#pragma once

#include "platform/wintypes.h"
#include "server/interfaceMap.h"
#include "server/threadModel.h"

class CComObjectRootBase {
 public:
  // Destroyed objects carry this count, so that a late Release through a stale
  // pointer is easy to tell in a debugger.
  static constexpr LONG kDestroyedCount = static_cast<LONG>(0xC0000001u);

  CComObjectRootBase() { refCount = 0; }

  // What the owner of the object reaches through QueryInterface.
  static HRESULT InternalQueryInterface(void* object, const InterfaceMapEntry* map, REFIID iid,
                                        void** out) {
    return QueryThroughMap(object, map, iid, out);
  }

  union {
    LONG refCount;
    IUnknown* outerUnknown;
  };
};

template <class ThreadModel>
class CComObjectRootEx : public CComObjectRootBase {
 public:
  ULONG InternalAddRef() { return ThreadModel::Increment(&refCount); }
  ULONG InternalRelease() { return ThreadModel::Decrement(&refCount); }
  ULONG OuterAddRef() { return outerUnknown->AddRef(); }
  ULONG OuterRelease() { return outerUnknown->Release(); }
  HRESULT OuterQueryInterface(REFIID iid, void** out) {
    return outerUnknown->QueryInterface(iid, out);
  }
};
