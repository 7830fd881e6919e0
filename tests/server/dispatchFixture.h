// Shared by the dispatch tests: registering the library's type library on the
// host (the same one the library carries), creating
// objects through the class factories, and calling them by name with the
// argument forms a script host sends.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/entryPoints.h"
#include "automation/zolmcomInterfaces.h"
#include "platform/objbase.h"
#include "platform/oleauto.h"

namespace dispatch_test {

// The type library the build makes from the interface definitions.
inline std::u16string TypeLibPath() {
  const std::string path = ZOLM_BUILD_DIR "/generated/zolmcom.tlb";
  return std::u16string(path.begin(), path.end());
}

// Registers the type library as self-registration does; S_OK or its failure.
inline HRESULT RegisterTypeLibrary() {
  std::u16string path = TypeLibPath();
  ITypeLib* library = nullptr;
  HRESULT hr = LoadTypeLib(path.c_str(), &library);
  if (FAILED(hr)) return hr;
  hr = RegisterTypeLib(library, &path[0], nullptr);
  library->Release();
  return hr;
}

inline IDispatch* Create(REFCLSID clsid) {
  void* factory = nullptr;
  EXPECT_EQ(DllGetClassObject(clsid, IID_IClassFactory, &factory), S_OK);
  if (factory == nullptr) return nullptr;
  void* object = nullptr;
  EXPECT_EQ(static_cast<IClassFactory*>(factory)->CreateInstance(nullptr, IID_IDispatch, &object),
            S_OK);
  static_cast<IClassFactory*>(factory)->Release();
  return static_cast<IDispatch*>(object);
}

inline HRESULT IdOf(IDispatch* object, const char16_t* name, DISPID* id) {
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

// Calls `id` with `arguments` written in script order. Like a script host,
// the call owns its argument VARIANTs and clears them afterwards (the callee
// may have converted them in place); by-reference targets stay the caller's.
inline HRESULT Call(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> arguments,
                    VARIANT* result) {
  std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                       static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO exception{};
  UINT argumentError = 0;
  const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                    &exception, &argumentError);
  for (VARIANT& argument : reversed) VariantClear(&argument);
  return hr;
}

// A string argument; Call frees it.
inline VARIANT Text(const char16_t* text) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(text);
  return value;
}

inline VARIANT Number(LONG number) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = number;
  return value;
}

inline VARIANT Reference(VARIANT* target) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_VARIANT | VT_BYREF;
  value.pvarVal = target;
  return value;
}

}  // namespace dispatch_test
