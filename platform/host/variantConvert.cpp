// VariantChangeType on Linux. The source is read into a neutral scalar
// (looking through VT_BYREF and one VT_VARIANT|VT_BYREF level, and asking an
// object for its value property), converted to the target type, and only on
// success written to the destination, so a failed conversion leaves both
// VARIANTs as they were. Destination and source may be the same VARIANT.
#include "platform/host/oleauto.h"

#include "platform/host/numberText.h"
#include "platform/host/utf.h"
#include "platform/host/variantTags.h"

#include <cfloat>
#include <cmath>

using zolm_platform::Number;

namespace {

struct Scalar {
  enum Kind { Empty, Null, Numeric, Boolean, Text, Object, Other } kind = Empty;
  Number number;
  bool flag = false;
  BSTR text = nullptr;        // borrowed from the source
  IUnknown* object = nullptr;  // borrowed from the source
  bool isDispatch = false;
};

template <typename T>
T load(const void* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

Number signedNumber(int64_t v) {
  Number n;
  n.kind = Number::Signed;
  n.s = v;
  return n;
}

Number unsignedNumber(uint64_t v) {
  Number n;
  n.kind = Number::Unsigned;
  n.u = v;
  return n;
}

Number realNumber(double v, bool single = false) {
  Number n;
  n.kind = Number::Real;
  n.r = v;
  n.single = single;
  return n;
}

// The value of a DECIMAL: a 96-bit magnitude scaled down by a power of ten.
double decimalValue(const DECIMAL& d) {
  double magnitude = std::ldexp(static_cast<double>(d.Hi32), 64) + static_cast<double>(d.Lo64);
  double value = magnitude / std::pow(10.0, d.scale);
  return (d.sign & 0x80) ? -value : value;
}

HRESULT readScalar(const VARIANT* src, Scalar& out, bool nested) {
  VARTYPE vt = src->vt;
  if (vt == (VT_VARIANT | VT_BYREF)) {
    if (nested) return DISP_E_BADVARTYPE;
    if (!src->pvarVal) return E_INVALIDARG;
    return readScalar(src->pvarVal, out, true);
  }
  if (!zolm_platform::isKnownTag(vt)) return DISP_E_BADVARTYPE;
  const bool byref = (vt & VT_BYREF) != 0;
  const void* p = byref ? src->byref : static_cast<const void*>(&src->llVal);
  if (byref && !p) return E_INVALIDARG;
  out = Scalar{};
  out.kind = Scalar::Numeric;
  switch (vt & VT_TYPEMASK) {
    case VT_EMPTY: out.kind = Scalar::Empty; break;
    case VT_NULL: out.kind = Scalar::Null; break;
    case VT_I1: out.number = signedNumber(load<int8_t>(p)); break;
    case VT_I2: out.number = signedNumber(load<int16_t>(p)); break;
    case VT_I4:
    case VT_INT: out.number = signedNumber(load<int32_t>(p)); break;
    case VT_I8: out.number = signedNumber(load<int64_t>(p)); break;
    case VT_UI1: out.number = unsignedNumber(load<uint8_t>(p)); break;
    case VT_UI2: out.number = unsignedNumber(load<uint16_t>(p)); break;
    case VT_UI4:
    case VT_UINT: out.number = unsignedNumber(load<uint32_t>(p)); break;
    case VT_UI8: out.number = unsignedNumber(load<uint64_t>(p)); break;
    case VT_R4: out.number = realNumber(load<float>(p), true); break;
    case VT_R8:
    case VT_DATE: out.number = realNumber(load<double>(p)); break;
    case VT_CY: out.number = realNumber(static_cast<double>(load<int64_t>(p)) / 10000.0); break;
    case VT_DECIMAL: out.number = realNumber(decimalValue(load<DECIMAL>(p))); break;
    case VT_BOOL:
      out.kind = Scalar::Boolean;
      out.flag = load<VARIANT_BOOL>(p) != 0;
      break;
    case VT_BSTR:
      out.kind = Scalar::Text;
      out.text = load<BSTR>(p);
      break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
      out.kind = Scalar::Object;
      out.object = load<IUnknown*>(p);
      out.isDispatch = (vt & VT_TYPEMASK) == VT_DISPATCH;
      break;
    default:
      out.kind = Scalar::Other;  // VT_ERROR: no value to convert
      break;
  }
  return S_OK;
}

// The scalar as a number: empty is 0, true is -1; null and objects are not.
HRESULT toNumber(const Scalar& s, Number& out) {
  switch (s.kind) {
    case Scalar::Empty: out = signedNumber(0); return S_OK;
    case Scalar::Numeric: out = s.number; return S_OK;
    case Scalar::Boolean: out = signedNumber(s.flag ? -1 : 0); return S_OK;
    case Scalar::Text: return zolm_platform::parseNumber(s.text, SysStringLen(s.text), out);
    default: return DISP_E_TYPEMISMATCH;
  }
}

struct IntegerTarget {
  VARTYPE vt;
  bool isSigned;
  int bits;
};

// The integer types the library converts to: VT_I4 for its own numbers, and
// the types of the typed variables a caller passes by reference.
const IntegerTarget kIntegerTargets[] = {
    {VT_I1, true, 8},    {VT_I2, true, 16},   {VT_I4, true, 32},    {VT_INT, true, 32},
    {VT_UI1, false, 8},  {VT_UI2, false, 16}, {VT_UI4, false, 32},  {VT_UINT, false, 32},
};

HRESULT toInteger(const Number& n, const IntegerTarget& t, VARIANT& result) {
  result.vt = t.vt;
  if (t.isSigned) {
    int64_t v;
    HRESULT hr = zolm_platform::toSigned(n, t.bits, v);
    if (FAILED(hr)) return hr;
    switch (t.bits) {
      case 8: result.cVal = static_cast<CHAR>(v); break;
      case 16: result.iVal = static_cast<SHORT>(v); break;
      default: result.lVal = static_cast<LONG>(v); break;
    }
    return S_OK;
  }
  uint64_t v;
  HRESULT hr = zolm_platform::toUnsigned(n, t.bits, v);
  if (FAILED(hr)) return hr;
  switch (t.bits) {
    case 8: result.bVal = static_cast<BYTE>(v); break;
    case 16: result.uiVal = static_cast<USHORT>(v); break;
    default: result.ulVal = static_cast<ULONG>(v); break;
  }
  return S_OK;
}

HRESULT toText(const Scalar& s, VARIANT& result) {
  std::u16string text;
  switch (s.kind) {
    case Scalar::Empty: break;
    case Scalar::Text:
      result.vt = VT_BSTR;
      result.bstrVal = SysAllocStringLen(s.text, SysStringLen(s.text));
      return result.bstrVal ? S_OK : E_OUTOFMEMORY;
    case Scalar::Boolean: text = s.flag ? u"-1" : u"0"; break;
    case Scalar::Numeric: text = zolm_platform::formatNumber(s.number); break;
    default: return DISP_E_TYPEMISMATCH;
  }
  result.vt = VT_BSTR;
  result.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return result.bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT toBoolean(const Scalar& s, VARIANT& result) {
  result.vt = VT_BOOL;
  if (s.kind == Scalar::Boolean) {
    result.boolVal = s.flag ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  if (s.kind == Scalar::Text) {
    const std::u16string_view text(s.text, SysStringLen(s.text));
    const bool isTrue = zolm_platform::sameNameIgnoringCase(text, u"true");
    if (isTrue || zolm_platform::sameNameIgnoringCase(text, u"false")) {
      result.boolVal = isTrue ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
  }
  Number n;
  HRESULT hr = toNumber(s, n);
  if (FAILED(hr)) return hr;
  result.boolVal = zolm_platform::toReal(n) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT convertScalar(const Scalar& s, VARTYPE target, VARIANT& result) {
  if (target == VT_EMPTY) return S_OK;
  if (target == VT_BSTR) return toText(s, result);
  if (target == VT_BOOL) return toBoolean(s, result);
  if (target == VT_NULL || target == VT_ERROR || target == VT_UNKNOWN ||
      target == VT_DISPATCH || target == VT_DECIMAL)
    return DISP_E_TYPEMISMATCH;  // reached only when the source's type differs
  Number n;
  HRESULT hr = toNumber(s, n);
  if (FAILED(hr)) return hr;
  for (const IntegerTarget& t : kIntegerTargets)
    if (t.vt == target) return toInteger(n, t, result);
  double r = zolm_platform::toReal(n);
  switch (target) {
    case VT_R4:
      if (std::isfinite(r) && std::fabs(r) > FLT_MAX) return DISP_E_OVERFLOW;
      result.vt = VT_R4;
      result.fltVal = static_cast<float>(r);
      return S_OK;
    case VT_R8:
      result.vt = VT_R8;
      result.dblVal = r;
      return S_OK;
    default:
      return DISP_E_BADVARTYPE;  // a type the library never asks for
  }
}

// An object converts through its value property (dispatch id 0), read once.
HRESULT objectValue(const Scalar& s, USHORT flags, VARIANT& value) {
  if ((flags & VARIANT_NOVALUEPROP) || !s.isDispatch || !s.object) return DISP_E_TYPEMISMATCH;
  IDispatch* dispatch = static_cast<IDispatch*>(s.object);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VariantInit(&value);
  HRESULT hr = dispatch->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) {
    VariantClear(&value);
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT convert(VARIANT* src, USHORT flags, VARTYPE target, VARIANT& result) {
  Scalar s;
  HRESULT hr = readScalar(src, s, false);
  if (FAILED(hr)) return hr;
  VARIANT* inner = src->vt == (VT_VARIANT | VT_BYREF) ? src->pvarVal : src;
  VARTYPE base = inner->vt & VT_TYPEMASK;
  if (base == target) {
    if (!(inner->vt & VT_BYREF)) return VariantCopy(&result, inner);
    // A reference to the target type: copy what it points at.
    VARIANT shallow;
    VariantInit(&shallow);
    switch (target) {
      case VT_BSTR: shallow.bstrVal = load<BSTR>(inner->byref); break;
      case VT_UNKNOWN:
      case VT_DISPATCH: shallow.punkVal = load<IUnknown*>(inner->byref); break;
      case VT_DECIMAL: shallow.decVal = load<DECIMAL>(inner->byref); break;
      case VT_CY: shallow.cyVal = load<CY>(inner->byref); break;
      case VT_ERROR: shallow.scode = load<SCODE>(inner->byref); break;
      default: return convertScalar(s, target, result);
    }
    shallow.vt = target;  // after decVal, whose first word overlaps the tag
    return VariantCopy(&result, &shallow);
  }
  if (s.kind != Scalar::Object) return convertScalar(s, target, result);
  VARIANT value;
  hr = objectValue(s, flags, value);
  if (FAILED(hr)) return hr;
  hr = convert(&value, flags | VARIANT_NOVALUEPROP, target, result);
  VariantClear(&value);
  return hr;
}

}  // namespace

extern "C" HRESULT WINAPI VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc,
                                            USHORT wFlags, VARTYPE vt) {
  if (!pvargDest || !pvarSrc) return E_INVALIDARG;
  if (vt & (VT_BYREF | VT_ARRAY | VT_VECTOR | VT_RESERVED)) return DISP_E_BADVARTYPE;
  if (!zolm_platform::isKnownValueTag(vt)) return DISP_E_BADVARTYPE;
  VARIANT result;
  VariantInit(&result);
  result.llVal = 0;
  HRESULT hr = convert(pvarSrc, wFlags, vt, result);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  // The source may be the destination: only now is its old content let go.
  hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *pvargDest = result;
  return S_OK;
}
