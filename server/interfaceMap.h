// Interface maps: the tables through which objects answer QueryInterface. A
// row names an interface id and the offset of that interface inside the
// object; a row whose kind is 0 ends the map. QueryThroughMap is the one walk
// shared by the class factory, the plain objects and the contained part of an
// aggregate.
#pragma once

#include "platform/wintypes.h"

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
HRESULT QueryThroughMap(void* object, const InterfaceMapEntry* map, REFIID iid, void** out);
