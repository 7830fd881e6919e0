// ITypeInfo::Invoke of the Linux type library service: the arguments a
// script host sends are matched to the function's parameters (positional ones
// arrive last-first in rgvarg, named ones by position id), converted by the
// parameter's description, and the object's operation is called in the slot
// the function occupies. Results go back where the caller can see them: the
// return value into pVarResult, out parameters into by-reference arguments
// (a VARIANT* parameter works directly on the caller's VARIANT). Every
// temporary is released on every path.
#include "platform/host/typeLib.h"

#include "platform/oleauto.h"

namespace typelib {

namespace {

// Every parameter type of the described interfaces is one pointer-sized
// value, so a call through the slot with N pointer arguments matches the
// operation's real signature.
static_assert(sizeof(BSTR) == sizeof(void*), "BSTR is passed as a pointer");
static_assert(sizeof(VARIANT*) == sizeof(void*), "VARIANT* is passed as a pointer");
static_assert(sizeof(VARIANT_BOOL*) == sizeof(void*), "VARIANT_BOOL* is passed as a pointer");
static_assert(sizeof(BSTR*) == sizeof(void*), "BSTR* is passed as a pointer");
static_assert(kMaxParams == 8, "callSlot passes up to eight arguments");

HRESULT callSlot(void* instance, int slot, void* const* a, size_t n) {
  typedef void* P;
  void* fn = (*static_cast<void***>(instance))[slot];
  switch (n) {
    case 0:
      return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(P)>(fn)(instance);
    case 1:
      return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(P, P)>(fn)(instance, a[0]);
    case 2:
      return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(P, P, P)>(fn)(instance, a[0], a[1]);
    case 3:
      return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(P, P, P, P)>(fn)(instance, a[0], a[1],
                                                                          a[2]);
    case 4:
      return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(P, P, P, P, P)>(fn)(
          instance, a[0], a[1], a[2], a[3]);
    case 5:
      return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(P, P, P, P, P, P)>(fn)(
          instance, a[0], a[1], a[2], a[3], a[4]);
    case 6:
      return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(P, P, P, P, P, P, P)>(fn)(
          instance, a[0], a[1], a[2], a[3], a[4], a[5]);
    case 7:
      return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(P, P, P, P, P, P, P, P)>(fn)(
          instance, a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    case 8:
      return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(P, P, P, P, P, P, P, P, P)>(fn)(
          instance, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
    default:
      return DISP_E_BADPARAMCOUNT;
  }
}

bool isByRefVariant(const VARIANTARG* v) { return v->vt == (VT_BYREF | VT_VARIANT); }

// The by-reference types an out parameter's result can be stored into.
bool canStoreInto(VARTYPE byrefType) {
  switch (byrefType & ~VT_BYREF) {
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BOOL: case VT_BSTR:
    case VT_UI1: case VT_I1: case VT_UI2: case VT_UI4: case VT_INT: case VT_UINT:
      return true;
    default:
      return false;
  }
}

// Stores `value` (taken over) into the caller's by-reference argument
// VT_BYREF | T after converting it to T; a value that does not convert is
// dropped, as a typed variable cannot hold it.
void storeByRef(VARIANT& value, VARIANTARG* arg) {
  const VARTYPE type = static_cast<VARTYPE>(arg->vt & ~VT_BYREF);
  VARIANT converted;
  VariantInit(&converted);
  HRESULT hr = VariantChangeType(&converted, &value, 0, type);
  VariantClear(&value);
  if (FAILED(hr) || !arg->byref) return;
  switch (type) {
    case VT_I2: *arg->piVal = converted.iVal; break;
    case VT_I4: *arg->plVal = converted.lVal; break;
    case VT_R4: *arg->pfltVal = converted.fltVal; break;
    case VT_R8: *arg->pdblVal = converted.dblVal; break;
    case VT_BOOL: *arg->pboolVal = converted.boolVal; break;
    case VT_UI1: *arg->pbVal = converted.bVal; break;
    case VT_I1: *arg->pcVal = converted.cVal; break;
    case VT_UI2: *arg->puiVal = converted.uiVal; break;
    case VT_UI4: *arg->pulVal = converted.ulVal; break;
    case VT_INT: *arg->pintVal = converted.intVal; break;
    case VT_UINT: *arg->puintVal = converted.uintVal; break;
    case VT_BSTR:
      SysFreeString(*arg->pbstrVal);
      *arg->pbstrVal = converted.bstrVal;
      return;  // the string now belongs to the caller's variable
    default:
      break;
  }
  VariantClear(&converted);
}

// What one parameter needs around the call.
struct ParamState {
  VARIANTARG* arg = nullptr;  // the caller's argument; null for the return value
  UINT argIndex = 0;          // its index in rgvarg, for puArgErr
  VARIANT temp;               // a converted in value, or an out value before delivery
  BSTR outString = nullptr;
  VARIANT_BOOL outBool = VARIANT_FALSE;
  bool deliverAfterCall = false;  // a value to hand over once the call succeeded
  ParamState() { VariantInit(&temp); }
};

// Prepares an in parameter's value; DISP_E_TYPEMISMATCH when the argument
// cannot become what the parameter takes.
HRESULT prepareIn(const ParamModel& param, ParamState& s, void*& callArg) {
  VARIANTARG* arg = s.arg;
  if (isByRefVariant(arg)) {
    if (!arg->pvarVal) return DISP_E_TYPEMISMATCH;
    arg = arg->pvarVal;
  }
  if (param.type == ParamType::VariantPointer) {
    callArg = arg;  // the caller's own VARIANT
    return S_OK;
  }
  // A BSTR: as it is, through a reference, or converted.
  if (arg->vt == VT_BSTR) {
    callArg = arg->bstrVal;
    return S_OK;
  }
  if (arg->vt == (VT_BYREF | VT_BSTR)) {
    if (!arg->pbstrVal) return DISP_E_TYPEMISMATCH;
    callArg = *arg->pbstrVal;
    return S_OK;
  }
  HRESULT hr = VariantChangeType(&s.temp, arg, 0, VT_BSTR);
  if (hr == E_OUTOFMEMORY) return hr;
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  callArg = s.temp.bstrVal;
  return S_OK;
}

// Prepares an out parameter. A VARIANT* parameter works on the caller's own
// VARIANT: the one a VT_BYREF | VT_VARIANT argument points to, so the script
// variable sees what is written (and keeps its value when nothing is), or the
// argument itself for a value argument. A typed by-reference variable
// (VT_BYREF | T) gets a VARIANT with its value and the result converted back
// after the call. BSTR* and VARIANT_BOOL* results are delivered after the
// call. DISP_E_TYPEMISMATCH when the argument cannot receive the value.
HRESULT prepareOut(const ParamModel& param, ParamState& s, void*& callArg) {
  VARIANTARG* arg = s.arg;
  if (param.type == ParamType::VariantPointer && arg) {
    if (isByRefVariant(arg)) {
      if (!arg->pvarVal) return DISP_E_TYPEMISMATCH;
      callArg = arg->pvarVal;
      return S_OK;
    }
    if (!(arg->vt & VT_BYREF)) {
      callArg = arg;
      return S_OK;
    }
    if (!canStoreInto(arg->vt) || !arg->byref) return DISP_E_TYPEMISMATCH;
    HRESULT hr = VariantChangeType(&s.temp, arg, 0, static_cast<VARTYPE>(arg->vt & ~VT_BYREF));
    if (hr == E_OUTOFMEMORY) return hr;
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    s.deliverAfterCall = true;
    callArg = &s.temp;
    return S_OK;
  }
  s.deliverAfterCall = true;
  switch (param.type) {
    case ParamType::BstrPointer: callArg = &s.outString; break;
    case ParamType::BoolPointer: callArg = &s.outBool; break;
    default: callArg = &s.temp; break;  // the return value
  }
  if (!arg) return S_OK;
  if (isByRefVariant(arg)) return arg->pvarVal ? S_OK : DISP_E_TYPEMISMATCH;
  if (arg->vt & VT_BYREF) return canStoreInto(arg->vt) && arg->byref ? S_OK : DISP_E_TYPEMISMATCH;
  return S_OK;  // a value argument: the result is not seen by the caller
}

// Moves an out parameter's value, made into a VARIANT, to where it belongs.
void deliverOut(const ParamModel& param, ParamState& s, VARIANT* result) {
  VARIANT value;
  VariantInit(&value);
  switch (param.type) {
    case ParamType::BstrPointer:
      value.vt = VT_BSTR;
      value.bstrVal = s.outString;
      s.outString = nullptr;
      break;
    case ParamType::BoolPointer:
      value.vt = VT_BOOL;
      value.boolVal = s.outBool;
      break;
    default:
      value = s.temp;
      VariantInit(&s.temp);
      break;
  }
  if (!s.arg) {
    if (result) {
      *result = value;  // the caller's pVarResult takes it over
      return;
    }
  } else if (isByRefVariant(s.arg)) {
    VariantClear(s.arg->pvarVal);
    *s.arg->pvarVal = value;
    return;
  } else if (s.arg->vt & VT_BYREF) {
    storeByRef(value, s.arg);
    return;
  }
  VariantClear(&value);
}

void releaseState(ParamState& s) {
  VariantClear(&s.temp);
  SysFreeString(s.outString);
  s.outString = nullptr;
}

}  // namespace

HRESULT invokeThroughSlot(const FuncModel& func, void* instance, const DISPPARAMS& params,
                          VARIANT* result, UINT* argErr) noexcept {
  const size_t count = func.params.size();
  if (count > kMaxParams) return DISP_E_BADPARAMCOUNT;
  const bool hasRetval = count > 0 && (func.params[count - 1].flags & PARAMFLAG_FRETVAL);
  const size_t expected = count - (hasRetval ? 1 : 0);
  if (params.cArgs > 0 && !params.rgvarg) return E_INVALIDARG;
  if (params.cNamedArgs > params.cArgs) return E_INVALIDARG;
  if (params.cNamedArgs > 0 && !params.rgdispidNamedArgs) return E_INVALIDARG;
  if (params.cArgs != expected) return DISP_E_BADPARAMCOUNT;

  ParamState states[kMaxParams];
  // Named arguments first in rgvarg, each naming its parameter's position.
  for (UINT i = 0; i < params.cNamedArgs; ++i) {
    const DISPID position = params.rgdispidNamedArgs[i];
    if (position < 0 || static_cast<size_t>(position) >= expected || states[position].arg) {
      if (argErr) *argErr = i;
      return DISP_E_PARAMNOTFOUND;
    }
    states[position].arg = &params.rgvarg[i];
    states[position].argIndex = i;
  }
  // Positional arguments fill the first parameters, the last one first in rgvarg.
  const UINT positional = params.cArgs - params.cNamedArgs;
  for (UINT k = 0; k < positional; ++k) {
    const UINT index = params.cArgs - 1 - k;
    if (states[k].arg) {
      if (argErr) *argErr = index;
      return DISP_E_PARAMNOTFOUND;
    }
    states[k].arg = &params.rgvarg[index];
    states[k].argIndex = index;
  }

  void* callArgs[kMaxParams] = {};
  HRESULT hr = S_OK;
  for (size_t i = 0; i < count && SUCCEEDED(hr); ++i) {
    const ParamModel& p = func.params[i];
    const bool in = (p.flags & PARAMFLAG_FIN) != 0;
    hr = in ? prepareIn(p, states[i], callArgs[i]) : prepareOut(p, states[i], callArgs[i]);
    if (FAILED(hr) && argErr && states[i].arg) *argErr = states[i].argIndex;
  }
  if (SUCCEEDED(hr)) {
    try {
      hr = callSlot(instance, func.slot, callArgs, count);
    } catch (...) {
      hr = E_UNEXPECTED;  // no exception leaves an interface method
    }
    if (SUCCEEDED(hr)) {
      for (size_t i = 0; i < count; ++i) {
        if (states[i].deliverAfterCall) deliverOut(func.params[i], states[i], result);
      }
    }
  }
  for (size_t i = 0; i < count; ++i) releaseState(states[i]);
  return hr;
}

}  // namespace typelib
