// Numbers as VARIANTs carry them, and their text form: the parser behind
// VarUI4FromStr and VariantChangeType from BSTR, the formatter behind
// conversions to BSTR, and rounding half to even into integer ranges.
// Private to libzolmplatform.so.
#pragma once

#include "platform/host/wintypes.h"

#include <string>

namespace zolm_platform {

struct Number {
  enum Kind { Signed, Unsigned, Real } kind = Signed;
  int64_t s = 0;
  uint64_t u = 0;
  double r = 0;
  bool single = false;   // a Real that came from a 4-byte float (fewer digits)
  bool pattern = false;  // an Unsigned written in &H or &O: a bit pattern that
                         // fills a signed target of its width (&HFFFF is -1 as 16 bits)
};

// Number text as the platform reads it in its default (US English) form:
// blanks anywhere around; a sign before or after the number, or parentheses
// for a negative one; a "$" before or after; decimal digits with "," between
// thousands, an optional fraction and exponent; or "&H" / "&O" followed by
// hexadecimal or octal digits. S_OK, DISP_E_OVERFLOW for hexadecimal or octal
// beyond 64 bits, or DISP_E_TYPEMISMATCH for anything else.
HRESULT parseNumber(const OLECHAR* text, size_t length, Number& out);

// The number as a signed or unsigned integer of `bits` bits, reals rounded
// half to even; DISP_E_OVERFLOW when it does not fit.
HRESULT toSigned(const Number& n, int bits, int64_t& out);
HRESULT toUnsigned(const Number& n, int bits, uint64_t& out);
double toReal(const Number& n);

// Decimal text: integers exactly, reals with 15 (7 for floats) significant digits.
std::u16string formatNumber(const Number& n);

}  // namespace zolm_platform
