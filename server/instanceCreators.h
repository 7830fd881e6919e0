// The instance creators that a class factory calls: a plain CComObject<T>
// without an outer unknown, a CComAggObject<T> with one. Allocation failures
// and exceptions from construction become E_OUTOFMEMORY; an object whose
// first query fails is destroyed again.
#pragma once

#include <new>

#include "platform/wintypes.h"
#include "server/comObject.h"

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
