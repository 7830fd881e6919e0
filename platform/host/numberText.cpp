// Number parsing, formatting and range checks for the VARIANT conversions,
// plus VarUI4FromStr built on them. Text is parsed without
// regard to the process locale: "." is the decimal point.
#include "platform/host/numberText.h"

#include "platform/host/oleauto.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace zolm_platform {
namespace {

bool isBlank(OLECHAR c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' ||
         c == 0x00A0;
}

bool isDigit(OLECHAR c) { return c >= u'0' && c <= u'9'; }

// Round half to even, whatever the floating-point rounding mode.
double roundHalfEven(double d) {
  double fl = std::floor(d);
  double diff = d - fl;
  if (diff > 0.5) return fl + 1;
  if (diff < 0.5) return fl;
  return std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
}

int digitValue(OLECHAR c, int base) {
  int v = -1;
  if (c >= u'0' && c <= u'9') v = c - u'0';
  else if (c >= u'a' && c <= u'f') v = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F') v = c - u'A' + 10;
  return v >= 0 && v < base ? v : -1;
}

// "&H..." or "&O...", blanks allowed after it only.
HRESULT parseRadix(const OLECHAR* text, size_t i, size_t length, Number& out) {
  const OLECHAR marker = text[i + 1];
  const int base = (marker == u'H' || marker == u'h') ? 16 : 8;
  i += 2;
  uint64_t value = 0;
  size_t digits = 0;
  bool overflow = false;
  for (int d; i < length && (d = digitValue(text[i], base)) >= 0; ++i, ++digits) {
    if (value > (UINT64_MAX >> (base == 16 ? 4 : 3))) overflow = true;
    value = value * base + static_cast<uint64_t>(d);
  }
  while (i < length && isBlank(text[i])) ++i;
  if (digits == 0 || i != length) return DISP_E_TYPEMISMATCH;
  if (overflow) return DISP_E_OVERFLOW;
  out = Number{};
  out.kind = Number::Unsigned;
  out.u = value;
  out.pattern = true;
  return S_OK;
}

// The sign, currency and parenthesis marks around a number, each at most once.
struct Marks {
  bool minus = false, sign = false, currency = false, open = false, close = false;

  // Takes one mark at text[i]; false when it is none or a repeat.
  bool take(OLECHAR c, bool before) {
    if ((c == u'+' || c == u'-') && !sign) {
      sign = true;
      minus = c == u'-';
      return true;
    }
    if (c == u'$' && !currency) return currency = true;
    if (c == u'(' && before && !open) return open = true;
    if (c == u')' && !before && open && !close) return close = true;
    return false;
  }
};

}  // namespace

HRESULT parseNumber(const OLECHAR* text, size_t length, Number& out) {
  if (!text) return DISP_E_TYPEMISMATCH;
  size_t i = 0;
  Marks marks;
  while (i < length && (isBlank(text[i]) || marks.take(text[i], true))) ++i;
  if (i + 1 < length && text[i] == u'&' && !marks.sign && !marks.currency && !marks.open) {
    const OLECHAR m = text[i + 1];
    if (m == u'H' || m == u'h' || m == u'O' || m == u'o') return parseRadix(text, i, length, out);
  }

  std::string ascii;  // the number without marks and separators, for from_chars
  size_t digits = 0, leadingZeros = 0, intDigits = 0;
  bool seenNonZero = false, integral = true;
  while (i < length && (isDigit(text[i]) || (text[i] == u',' && intDigits > 0))) {
    if (text[i] == u',') {  // a thousands separator, wherever it stands
      ++i;
      continue;
    }
    if (text[i] != u'0') seenNonZero = true;
    if (!seenNonZero) ++leadingZeros;
    ascii += static_cast<char>(text[i++]);
    ++digits;
    ++intDigits;
  }
  if (i < length && text[i] == u'.') {
    integral = false;
    ascii += '.';
    ++i;
    while (i < length && isDigit(text[i])) {
      ascii += static_cast<char>(text[i++]);
      ++digits;
    }
  }
  if (digits == 0) return DISP_E_TYPEMISMATCH;
  long exponent = 0;
  if (i < length && (text[i] == u'e' || text[i] == u'E')) {
    integral = false;
    ascii += 'e';
    ++i;
    bool expNegative = false;
    if (i < length && (text[i] == u'+' || text[i] == u'-')) {
      expNegative = text[i] == u'-';
      ascii += static_cast<char>(text[i++]);
    }
    size_t expDigits = 0;
    while (i < length && isDigit(text[i])) {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - u'0');
      ascii += static_cast<char>(text[i++]);
      ++expDigits;
    }
    if (expDigits == 0) return DISP_E_TYPEMISMATCH;
    if (expNegative) exponent = -exponent;
  }
  while (i < length && (isBlank(text[i]) || marks.take(text[i], false))) ++i;
  if (i != length || marks.open != marks.close) return DISP_E_TYPEMISMATCH;
  const bool negative = marks.minus || marks.open;

  if (integral) {
    uint64_t value = 0;
    bool fits = true;
    for (char c : ascii) {
      uint64_t d = static_cast<uint64_t>(c - '0');
      if (value > (UINT64_MAX - d) / 10) {
        fits = false;
        break;
      }
      value = value * 10 + d;
    }
    if (fits && !negative) {
      out = Number{};
      out.kind = Number::Unsigned;
      out.u = value;
      return S_OK;
    }
    if (fits && value <= (uint64_t(1) << 63)) {
      out = Number{};
      out.kind = Number::Signed;
      out.s = value == (uint64_t(1) << 63) ? INT64_MIN : -static_cast<int64_t>(value);
      return S_OK;
    }
  }
  double value = 0;
  auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: which one follows from where the
    // first significant digit stands.
    long magnitude = static_cast<long>(intDigits - leadingZeros) + exponent;
    value = magnitude > 0 ? HUGE_VAL : 0.0;
  } else if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size()) {
    return DISP_E_TYPEMISMATCH;
  }
  out = Number{};
  out.kind = Number::Real;
  out.r = negative ? -value : value;
  return S_OK;
}

HRESULT toSigned(const Number& n, int bits, int64_t& out) {
  const int64_t max = bits >= 64 ? INT64_MAX : (int64_t(1) << (bits - 1)) - 1;
  const int64_t min = -max - 1;
  switch (n.kind) {
    case Number::Signed:
      if (n.s < min || n.s > max) return DISP_E_OVERFLOW;
      out = n.s;
      return S_OK;
    case Number::Unsigned:
      if (n.pattern && (bits >= 64 || n.u < (uint64_t(1) << bits))) {
        // The bits fill the target: the top one is its sign.
        const uint64_t top = uint64_t(1) << (bits >= 64 ? 63 : bits - 1);
        out = (n.u & top) ? static_cast<int64_t>(n.u - top) + min : static_cast<int64_t>(n.u);
        return S_OK;
      }
      if (n.u > static_cast<uint64_t>(max)) return DISP_E_OVERFLOW;
      out = static_cast<int64_t>(n.u);
      return S_OK;
    case Number::Real: {
      if (std::isnan(n.r)) return DISP_E_OVERFLOW;
      double r = roundHalfEven(n.r);
      // min is a power of two and exact as a double; max + 1 likewise.
      if (r < static_cast<double>(min) || r >= -static_cast<double>(min)) return DISP_E_OVERFLOW;
      out = static_cast<int64_t>(r);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT toUnsigned(const Number& n, int bits, uint64_t& out) {
  const uint64_t max = bits >= 64 ? UINT64_MAX : (uint64_t(1) << bits) - 1;
  switch (n.kind) {
    case Number::Signed:
      if (n.s < 0 || static_cast<uint64_t>(n.s) > max) return DISP_E_OVERFLOW;
      out = static_cast<uint64_t>(n.s);
      return S_OK;
    case Number::Unsigned:
      if (n.u > max) return DISP_E_OVERFLOW;
      out = n.u;
      return S_OK;
    case Number::Real: {
      if (std::isnan(n.r)) return DISP_E_OVERFLOW;
      double r = roundHalfEven(n.r);
      // 2^bits is exact as a double; -0.0 compares equal to 0.
      if (r < 0 || r >= std::ldexp(1.0, bits)) return DISP_E_OVERFLOW;
      out = static_cast<uint64_t>(r);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

double toReal(const Number& n) {
  switch (n.kind) {
    case Number::Signed:
      return static_cast<double>(n.s);
    case Number::Unsigned:
      return static_cast<double>(n.u);
    case Number::Real:
      return n.r;
  }
  return 0;
}

std::u16string formatNumber(const Number& n) {
  char buffer[64];
  switch (n.kind) {
    case Number::Signed:
      std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(n.s));
      break;
    case Number::Unsigned:
      std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(n.u));
      break;
    case Number::Real:
      std::snprintf(buffer, sizeof buffer, n.single ? "%.7G" : "%.15G", n.r);
      break;
  }
  std::u16string text;
  for (const char* p = buffer; *p; ++p) text += static_cast<char16_t>(*p);
  return text;
}

}  // namespace zolm_platform

extern "C" HRESULT WINAPI VarUI4FromStr(OLECHAR* strIn, LCID, ULONG, ULONG* pulOut) {
  if (!strIn || !pulOut) return E_INVALIDARG;
  zolm_platform::Number n;
  HRESULT hr = zolm_platform::parseNumber(strIn, std::char_traits<OLECHAR>::length(strIn), n);
  if (FAILED(hr)) return hr;
  uint64_t value;
  hr = zolm_platform::toUnsigned(n, 32, value);
  if (FAILED(hr)) return hr;
  *pulOut = static_cast<ULONG>(value);
  return S_OK;
}
