// Creating objects by ProgID and calling them by name through IDispatch.
#include "tools/scriptHost.h"

#include <cstdio>
#include <vector>

#include "tools/toolText.h"

ScriptObject::~ScriptObject() {
  if (dispatch != nullptr) dispatch->Release();
}

HRESULT ScriptObject::Create(LPCOLESTR progId) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) return hr;
  void* object = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object);
  if (FAILED(hr)) return hr;
  dispatch = static_cast<IDispatch*>(object);
  return S_OK;
}

HRESULT ScriptObject::Call(LPCOLESTR name, WORD flags, VARIANT* arguments, UINT count,
                           VARIANT* result) {
  if (dispatch == nullptr) return E_POINTER;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  // IDispatch takes the arguments last first.
  std::vector<VARIANT> reversed(arguments, arguments + count);
  for (UINT i = 0; i < count / 2; ++i) std::swap(reversed[i], reversed[count - 1 - i]);
  DISPPARAMS params = {count ? reversed.data() : nullptr, nullptr, count, 0};
  EXCEPINFO exception{};
  UINT argumentError = 0;
  hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                        &argumentError);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return hr;
}

std::string VariantText(VARIANT* value) {
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, value, 0, VT_BSTR))) return std::string();
  std::string out = text.bstrVal != nullptr ? toUtf8(text.bstrVal) : std::string();
  VariantClear(&text);
  return out;
}

std::string FailureText(const std::string& what, HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  return what + " failed (" + code + ")";
}
