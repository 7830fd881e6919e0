// The Linux stand-ins for OLE Automation's BSTR and VARIANT services.
//
// A BSTR points at UTF-16 text preceded by a 4-byte byte length and followed
// by a NUL, exactly as the platform lays it out, so code that reads the length
// word or passes the string on as a plain NUL-terminated string works alike on
// both sides. VariantChangeType converts between the scalar types and BSTR the
// way script hosts rely on: numbers are rounded half to even, out-of-range
// values give DISP_E_OVERFLOW and text that is no number DISP_E_TYPEMISMATCH.
#pragma once

#include "platform/host/wintypes.h"

// The flag of VariantChangeType that is honoured: objects are not read
// through their value property.
#define VARIANT_NOVALUEPROP 0x01

extern "C" {

// Signatures as the platform's headers (mingw-w64) declare them, so code that
// builds here builds for Windows too.

// BSTR allocation. A null BSTR stands for the empty string everywhere.
ZOLMPLATFORM_API BSTR WINAPI SysAllocString(const OLECHAR* psz);
ZOLMPLATFORM_API BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui);
ZOLMPLATFORM_API void WINAPI SysFreeString(BSTR bstrString);
ZOLMPLATFORM_API UINT WINAPI SysStringLen(BSTR pbstr);

// VARIANT handling.
ZOLMPLATFORM_API void WINAPI VariantInit(VARIANTARG* pvarg);
ZOLMPLATFORM_API HRESULT WINAPI VariantClear(VARIANTARG* pvarg);
ZOLMPLATFORM_API HRESULT WINAPI VariantCopy(VARIANTARG* pvargDest, VARIANTARG* pvargSrc);
ZOLMPLATFORM_API HRESULT WINAPI VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc,
                                                  USHORT wFlags, VARTYPE vt);

// Text to number: optional blanks, sign, digits, fraction and exponent;
// fractions are rounded half to even. The text is not changed (the platform's
// headers declare it without const, and so does this, so that callers written
// here build against both).
ZOLMPLATFORM_API HRESULT WINAPI VarUI4FromStr(OLECHAR* strIn, LCID lcid, ULONG dwFlags,
                                              ULONG* pulOut);

}  // extern "C"
