// The interface-map walk behind every QueryInterface of the frame.
#include "server/interfaceMap.h"

HRESULT QueryThroughMap(void* object, const InterfaceMapEntry* map, REFIID iid, void** out) {
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
