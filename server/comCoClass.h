// CComCoClass ties an automation class to its class id and its instance
// creator, and gives the interface map of a class with one dual interface.
#pragma once

#include "platform/wintypes.h"
#include "server/instanceCreators.h"
#include "server/interfaceMap.h"

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
