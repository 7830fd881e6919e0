// Which VARIANT type tags the Linux stand-ins know, shared by the VARIANT
// handling and the conversions. Private to libzolmplatform.so.
#pragma once

#include "platform/host/wintypes.h"

namespace zolm_platform {

// A scalar tag a VARIANT may hold by value (VT_VARIANT only by reference).
inline bool isKnownValueTag(VARTYPE t) {
  switch (t) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8:
    case VT_CY: case VT_DATE: case VT_BSTR: case VT_DISPATCH: case VT_ERROR:
    case VT_BOOL: case VT_UNKNOWN: case VT_DECIMAL: case VT_I1: case VT_UI1:
    case VT_UI2: case VT_UI4: case VT_I8: case VT_UI8: case VT_INT: case VT_UINT:
      return true;
    default:
      return false;
  }
}

// A whole tag as a VARIANT may carry it: a value tag, or a value tag (other
// than empty and null) or VT_VARIANT behind VT_BYREF. Arrays are not served.
inline bool isKnownTag(VARTYPE vt) {
  if (vt & (VT_ARRAY | VT_VECTOR | VT_RESERVED)) return false;
  if (!(vt & VT_BYREF)) return isKnownValueTag(vt);
  VARTYPE base = vt & VT_TYPEMASK;
  if (base == VT_VARIANT) return true;
  return base != VT_EMPTY && base != VT_NULL && isKnownValueTag(base);
}

}  // namespace zolm_platform
