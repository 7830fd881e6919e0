// The object roots and their interface maps. The root is the one word every
// component object of the frame holds: its reference count when it stands
// alone, or its outer unknown when it is the inner part of an aggregate,
// counted in the object's threading model. The interface map is the table
// through which an object answers QueryInterface: a row names an interface id
// and the offset of that interface inside the object; a row whose kind is 0
// ends the map. QueryThroughMap is the one walk shared by the class factory,
// the plain objects and the contained part of an aggregate.
#pragma once

#include "platform/wintypes.h"
#include "server/threading.h"

struct InterfaceMapEntry {
  const IID* iid;
  DWORD_PTR offset;
  DWORD kind;  // 1: a plain offset row; 0 ends the map
};

enum : DWORD { kInterfaceMapEnd = 0, kInterfaceMapOffset = 1 };

// The offset of Base inside Derived, computed from a non-null dummy address so
// that the cast really adjusts the pointer.
template <class Base, class Derived>
DWORD_PTR OffsetOfBase() {
  const DWORD_PTR dummy = 0x1000;
  Derived* derived = reinterpret_cast<Derived*>(dummy);
  return reinterpret_cast<DWORD_PTR>(static_cast<Base*>(derived)) - dummy;
}

// Looks `iid` up in `map` for the object at `object`. IID_IUnknown answers the
// interface of the first row. The answer gets one reference through itself.
inline HRESULT QueryThroughMap(void* object, const InterfaceMapEntry* map, REFIID iid,
                               void** out) {
  if (object == nullptr || map == nullptr) return E_INVALIDARG;
  if (out == nullptr) return E_POINTER;
  *out = nullptr;

  const InterfaceMapEntry* found = nullptr;
  if (IsEqualGUID(iid, IID_IUnknown)) {
    found = map;
  } else {
    for (const InterfaceMapEntry* row = map; row->kind != kInterfaceMapEnd; ++row) {
      if (IsEqualGUID(*row->iid, iid)) {
        found = row;
        break;
      }
    }
  }
  if (found == nullptr || found->kind == kInterfaceMapEnd) return E_NOINTERFACE;

  IUnknown* answer = reinterpret_cast<IUnknown*>(static_cast<BYTE*>(object) + found->offset);
  answer->AddRef();
  *out = answer;
  return S_OK;
}

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
