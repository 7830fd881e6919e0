// VariantChangeType and the text-to-number calls: what a script host may pass
// as a colour index (numbers of every width, reals, booleans, text, references)
// becomes a 32-bit integer, or fails with the platform's codes and leaves the
// VARIANT as it was.
#include "platform/oleauto.h"

#include <cmath>
#include <gtest/gtest.h>

#include "tests/comFakes.h"

namespace {

// A VARIANT that frees itself, for brevity.
struct Var : VARIANT {
  Var() { VariantInit(this); }
  ~Var() { VariantClear(this); }
};

Var text(const OLECHAR* s) {
  Var v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(s);
  return v;
}

HRESULT toI4(VARIANT& v) { return VariantChangeType(&v, &v, 0, VT_I4); }

Var real(double d) {
  Var v;
  v.vt = VT_R8;
  v.dblVal = d;
  return v;
}

}  // namespace

TEST(VariantToI4, TextHoldingANumberIsConvertedInPlace) {
  Var v = text(OLESTR("3"));
  ASSERT_EQ(toI4(v), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 3);

  Var padded = text(OLESTR("  -17 "));
  ASSERT_EQ(toI4(padded), S_OK);
  EXPECT_EQ(padded.lVal, -17);

  Var exponent = text(OLESTR("1.5e2"));
  ASSERT_EQ(toI4(exponent), S_OK);
  EXPECT_EQ(exponent.lVal, 150);
}

TEST(VariantToI4, TextThatIsNoNumberIsATypeMismatchAndKept) {
  for (const OLECHAR* bad : {OLESTR("abc"), OLESTR(""), OLESTR("  "), OLESTR("3x"),
                             OLESTR("-"), OLESTR("1e"), OLESTR("."), OLESTR("1 2")}) {
    Var v = text(bad);
    BSTR before = v.bstrVal;
    EXPECT_EQ(toI4(v), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(v.bstrVal, before);
  }
}

TEST(VariantToI4, OutOfRangeIsAnOverflow) {
  Var big = text(OLESTR("2147483648"));
  EXPECT_EQ(toI4(big), DISP_E_OVERFLOW);
  EXPECT_EQ(big.vt, VT_BSTR);
  Var huge = text(OLESTR("1e400"));
  EXPECT_EQ(toI4(huge), DISP_E_OVERFLOW);
  Var longDigits = text(OLESTR("123456789012345678901234567890"));
  EXPECT_EQ(toI4(longDigits), DISP_E_OVERFLOW);
  Var tiny = text(OLESTR("1e-400"));
  ASSERT_EQ(toI4(tiny), S_OK);
  EXPECT_EQ(tiny.lVal, 0);

  Var unsignedMax;
  unsignedMax.vt = VT_UI4;
  unsignedMax.ulVal = 0xFFFFFFFFu;
  EXPECT_EQ(toI4(unsignedMax), DISP_E_OVERFLOW);
  Var wide;
  wide.vt = VT_I8;
  wide.llVal = -2147483649LL;
  EXPECT_EQ(toI4(wide), DISP_E_OVERFLOW);
  Var notANumber = real(std::nan(""));
  EXPECT_EQ(toI4(notANumber), DISP_E_OVERFLOW);
}

TEST(VariantToI4, RangeLimitsThemselvesFit) {
  Var low = text(OLESTR("-2147483648"));
  ASSERT_EQ(toI4(low), S_OK);
  EXPECT_EQ(low.lVal, INT32_MIN);
  Var high = real(2147483647.4);
  ASSERT_EQ(toI4(high), S_OK);
  EXPECT_EQ(high.lVal, INT32_MAX);
  Var over = real(2147483647.5);  // rounds to 2^31
  EXPECT_EQ(toI4(over), DISP_E_OVERFLOW);
}

TEST(VariantToI4, RealsRoundHalfToEven) {
  const struct {
    double in;
    LONG out;
  } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {2.4999, 2}, {0.5, 0}, {1.5, 2},
               {-0.4, 0}};
  for (auto c : cases) {
    Var v = real(c.in);
    ASSERT_EQ(toI4(v), S_OK) << c.in;
    EXPECT_EQ(v.lVal, c.out) << c.in;
  }
  Var single;
  single.vt = VT_R4;
  single.fltVal = 6.5f;
  ASSERT_EQ(toI4(single), S_OK);
  EXPECT_EQ(single.lVal, 6);
  Var halfText = text(OLESTR("4.5"));
  ASSERT_EQ(toI4(halfText), S_OK);
  EXPECT_EQ(halfText.lVal, 4);
  Var currency;
  currency.vt = VT_CY;
  currency.cyVal.int64 = 25000;  // 2.5
  ASSERT_EQ(toI4(currency), S_OK);
  EXPECT_EQ(currency.lVal, 2);
}

TEST(VariantToI4, EmptyBooleanAndNarrowTypes) {
  Var empty;
  ASSERT_EQ(toI4(empty), S_OK);
  EXPECT_EQ(empty.vt, VT_I4);
  EXPECT_EQ(empty.lVal, 0);

  Var yes;
  yes.vt = VT_BOOL;
  yes.boolVal = VARIANT_TRUE;
  ASSERT_EQ(toI4(yes), S_OK);
  EXPECT_EQ(yes.lVal, -1);

  Var byte;
  byte.vt = VT_UI1;
  byte.llVal = 0;
  byte.bVal = 200;
  ASSERT_EQ(toI4(byte), S_OK);
  EXPECT_EQ(byte.lVal, 200);

  Var small;
  small.vt = VT_I1;
  small.llVal = 0;
  small.cVal = -5;
  ASSERT_EQ(toI4(small), S_OK);
  EXPECT_EQ(small.lVal, -5);

  Var nothing;
  nothing.vt = VT_NULL;
  EXPECT_EQ(toI4(nothing), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(nothing.vt, VT_NULL);
}

TEST(VariantToI4, ReferencesAreFollowed) {
  SHORT shortValue = -300;
  Var byRef;
  byRef.vt = VT_I2 | VT_BYREF;
  byRef.piVal = &shortValue;
  ASSERT_EQ(toI4(byRef), S_OK);
  EXPECT_EQ(byRef.vt, VT_I4);
  EXPECT_EQ(byRef.lVal, -300);
  EXPECT_EQ(shortValue, -300);  // the referenced value is not touched

  BSTR digits = SysAllocString(OLESTR("42"));
  Var stringRef;
  stringRef.vt = VT_BSTR | VT_BYREF;
  stringRef.pbstrVal = &digits;
  ASSERT_EQ(toI4(stringRef), S_OK);
  EXPECT_EQ(stringRef.lVal, 42);
  EXPECT_EQ(SysStringLen(digits), 2u);  // still owned by whoever lent it
  SysFreeString(digits);

  Var inner = text(OLESTR("7"));
  Var variantRef;
  variantRef.vt = VT_VARIANT | VT_BYREF;
  variantRef.pvarVal = &inner;
  ASSERT_EQ(toI4(variantRef), S_OK);
  EXPECT_EQ(variantRef.lVal, 7);
  EXPECT_EQ(inner.vt, VT_BSTR);

  LONG same = 9;
  Var sameRef;
  sameRef.vt = VT_I4 | VT_BYREF;
  sameRef.plVal = &same;
  ASSERT_EQ(toI4(sameRef), S_OK);
  EXPECT_EQ(sameRef.vt, VT_I4);
  EXPECT_EQ(sameRef.lVal, 9);
}

TEST(VariantToI4, BrokenReferencesFailCleanly) {
  Var nullRef;
  nullRef.vt = VT_I4 | VT_BYREF;
  nullRef.plVal = nullptr;
  EXPECT_EQ(toI4(nullRef), E_INVALIDARG);
  nullRef.vt = VT_EMPTY;

  Var inner;
  Var middle;
  middle.vt = VT_VARIANT | VT_BYREF;
  middle.pvarVal = &inner;
  Var outer;
  outer.vt = VT_VARIANT | VT_BYREF;
  outer.pvarVal = &middle;
  EXPECT_EQ(toI4(outer), DISP_E_BADVARTYPE);

  Var unknownTag;
  unknownTag.vt = 0x0FFF;
  EXPECT_EQ(toI4(unknownTag), DISP_E_BADVARTYPE);
  unknownTag.vt = VT_EMPTY;
}

TEST(VariantChange, SeparateDestinationGetsTheValueSourceKeepsItsOwn) {
  Var src = text(OLESTR("12"));
  Var dst = text(OLESTR("old"));
  ASSERT_EQ(VariantChangeType(&dst, &src, 0, VT_I4), S_OK);
  EXPECT_EQ(dst.lVal, 12);
  EXPECT_EQ(src.vt, VT_BSTR);
  EXPECT_EQ(SysStringLen(src.bstrVal), 2u);
}

TEST(VariantChange, OtherIntegerTargetsCheckTheirRanges) {
  Var v = real(255.5);  // rounds to 256
  EXPECT_EQ(VariantChangeType(&v, &v, 0, VT_UI1), DISP_E_OVERFLOW);
  Var minus = text(OLESTR("-1"));
  EXPECT_EQ(VariantChangeType(&minus, &minus, 0, VT_UI4), DISP_E_OVERFLOW);
  Var shorty = text(OLESTR("-32768"));
  ASSERT_EQ(VariantChangeType(&shorty, &shorty, 0, VT_I2), S_OK);
  EXPECT_EQ(shorty.iVal, -32768);
}

TEST(VariantChange, NumbersAndBooleansBecomeText) {
  Var n;
  n.vt = VT_I4;
  n.lVal = -42;
  ASSERT_EQ(VariantChangeType(&n, &n, 0, VT_BSTR), S_OK);
  ASSERT_EQ(n.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(n.bstrVal), u"-42");

  Var r = real(1.5);
  ASSERT_EQ(VariantChangeType(&r, &r, 0, VT_BSTR), S_OK);
  EXPECT_EQ(std::u16string(r.bstrVal), u"1.5");

  Var b;
  b.vt = VT_BOOL;
  b.boolVal = VARIANT_TRUE;
  ASSERT_EQ(VariantChangeType(&b, &b, 0, VT_BSTR), S_OK);
  EXPECT_EQ(std::u16string(b.bstrVal), u"-1");

  Var word = text(OLESTR("TRUE"));
  ASSERT_EQ(VariantChangeType(&word, &word, 0, VT_BOOL), S_OK);
  EXPECT_EQ(word.boolVal, VARIANT_TRUE);
}

namespace {

// An object whose value property is the number 5.
struct ValueObject : comfakes::FakeDispatch<> {
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || !result)
      return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_I2;
    result->iVal = 5;
    return S_OK;
  }
};

}  // namespace

TEST(VariantChange, ObjectsConvertThroughTheirValueProperty) {
  ValueObject object;
  Var v;
  v.vt = VT_DISPATCH;
  v.pdispVal = &object;
  Var out;
  ASSERT_EQ(VariantChangeType(&out, &v, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, 5);
  EXPECT_EQ(VariantChangeType(&out, &v, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
}

namespace {

// The calls take their text without const, as the platform declares them.
HRESULT ui4(const char16_t* text, ULONG* out) {
  std::u16string copy = text ? text : u"";
  return VarUI4FromStr(text ? &copy[0] : nullptr, 0, 0, out);
}

// Text to a signed number goes through VariantChangeType from BSTR to VT_I4.
HRESULT i4(const char16_t* text, LONG* out) {
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = SysAllocString(text);
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = VariantChangeType(&result, &source, 0, VT_I4);
  if (SUCCEEDED(hr)) *out = result.lVal;
  VariantClear(&source);
  return hr;
}

}  // namespace

TEST(VarFromStr, DecimalTextToUnsignedAndSigned) {
  ULONG u = 0;
  EXPECT_EQ(ui4(OLESTR("4294967295"), &u), S_OK);
  EXPECT_EQ(u, 0xFFFFFFFFu);
  EXPECT_EQ(ui4(OLESTR("4294967296"), &u), DISP_E_OVERFLOW);
  EXPECT_EQ(ui4(OLESTR("-1"), &u), DISP_E_OVERFLOW);
  EXPECT_EQ(ui4(OLESTR("12abc"), &u), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ui4(OLESTR("0"), &u), S_OK);
  EXPECT_EQ(u, 0u);
  EXPECT_EQ(ui4(nullptr, &u), E_INVALIDARG);
  LONG l = 0;
  EXPECT_EQ(i4(OLESTR("-2147483648"), &l), S_OK);
  EXPECT_EQ(l, INT32_MIN);
  EXPECT_EQ(i4(OLESTR("2147483648"), &l), DISP_E_OVERFLOW);
}

TEST(VarFromStr, NumberFormsThePlatformReads) {
  const struct {
    const char16_t* text;
    LONG value;
  } accepted[] = {
      {u"1,000", 1000},   {u"1,0,0", 100},   {u"1,000.5", 1000}, {u"$5", 5},
      {u"5$", 5},         {u"(5)", -5},      {u"( 5 )", -5},     {u"5-", -5},
      {u"- 5", -5},       {u"-$5", -5},      {u"&HFF", 255},     {u"&hff", 255},
      {u"&O17", 15},      {u"&HFFFFFFFF", -1}, {u"&H80000000", INT32_MIN}, {u"1e+2", 100},
  };
  for (const auto& c : accepted) {
    LONG l = 12345;
    EXPECT_EQ(i4(c.text, &l), S_OK) << "case " << (&c - accepted);
    EXPECT_EQ(l, c.value) << "case " << (&c - accepted);
  }
  for (const char16_t* bad : {u",5", u"--5", u"(5", u"5)", u"&H", u"&HFG", u"$$5", u"1 000", u"1d2", u","}) {
    LONG l;
    EXPECT_EQ(i4(bad, &l), DISP_E_TYPEMISMATCH);
  }
  LONG l;
  EXPECT_EQ(i4(u"&H1FFFFFFFF", &l), DISP_E_OVERFLOW);
  EXPECT_EQ(i4(u"&H1FFFFFFFFFFFFFFFF", &l), DISP_E_OVERFLOW);
  ULONG u;
  EXPECT_EQ(ui4(u"&HFFFFFFFF", &u), S_OK);
  EXPECT_EQ(u, 0xFFFFFFFFu);
  EXPECT_EQ(ui4(u"(5)", &u), DISP_E_OVERFLOW);
}
