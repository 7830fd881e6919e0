// ITypeInfo::Invoke over the library's own interfaces, with fake objects
// implementing the generated declarations and arguments in the forms script
// hosts send: strings, numbers, by-reference VARIANTs for out parameters,
// property reads made as method-or-get calls, and the failures for a missing
// member, a wrong argument count and an argument that cannot be converted.
#include "platform/host/typeLib.h"

#include "automation/zolmcomInterfaces.h"
#include "tests/comFakes.h"
#include "tests/platform/typelibTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The IUnknown and IDispatch part of both fakes is comfakes::FakeDispatch's;
// their own Invoke is not reached.
struct FakeLoader : comfakes::FakeDispatch<IPaletteLoader> {
  std::u16string loadedName;
  LONG colorIndex = -1;
  VARTYPE colorIndexType = VT_EMPTY;
  HRESULT loadResult = S_OK;

  HRESULT STDMETHODCALLTYPE load(BSTR FileName, VARIANT_BOOL* pRetVal) override {
    loadedName = FileName ? FileName : u"";
    *pRetVal = loadedName.empty() ? VARIANT_FALSE : VARIANT_TRUE;
    return loadResult;
  }
  HRESULT STDMETHODCALLTYPE get_ColorCount(VARIANT* pVal) override {
    pVal->vt = VT_I4;
    pVal->lVal = 16;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_lastError(VARIANT* pVal) override {
    pVal->vt = VT_I4;
    pVal->lVal = -3;
    return S_OK;
  }
  // Converts the index in place, as the palette loader does, and answers
  // red = index, green = index * 2, blue = a string; an index of 100 or more
  // leaves the colours as they were.
  HRESULT STDMETHODCALLTYPE getRGB(VARIANT* pColorIdx, VARIANT* pRed, VARIANT* pGreen,
                                   VARIANT* pBlue, VARIANT_BOOL* pRetVal) override {
    colorIndexType = pColorIdx->vt;
    HRESULT hr = VariantChangeType(pColorIdx, pColorIdx, 0, VT_I4);
    if (FAILED(hr)) return hr;
    colorIndex = pColorIdx->lVal;
    *pRetVal = VARIANT_FALSE;
    if (colorIndex >= 100) return S_OK;
    VariantClear(pRed);
    VariantClear(pGreen);
    VariantClear(pBlue);
    pRed->vt = VT_I4;
    pRed->lVal = colorIndex;
    pGreen->vt = VT_I4;
    pGreen->lVal = colorIndex * 2;
    pBlue->vt = VT_BSTR;
    pBlue->bstrVal = SysAllocString(u"blue");
    *pRetVal = VARIANT_TRUE;
    return S_OK;
  }
};

struct FakeFontFile : comfakes::FakeDispatch<IFontFile> {
  HRESULT STDMETHODCALLTYPE GetFileName(BSTR FontName, VARIANT* pFileName,
                                        VARIANT_BOOL* pRetVal) override {
    pFileName->vt = VT_BSTR;
    pFileName->bstrVal = SysAllocString(FontName);
    *pRetVal = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFontDirectory(BSTR* pFontDirectory) override {
    *pFontDirectory = SysAllocString(u"/usr/share/fonts");
    return S_OK;
  }
};

VARIANT stringArg(const char16_t* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

VARIANT intArg(LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT byRef(VARIANT* target) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = target;
  return v;
}

class InvokeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lib_ = typelibtest::loadZolmcomLib();
    ASSERT_NE(lib_, nullptr);
    ASSERT_EQ(lib_->GetTypeInfoOfGuid(IID_IPaletteLoader, &loaderInfo_), S_OK);
    ASSERT_EQ(lib_->GetTypeInfoOfGuid(IID_IFontFile, &fontInfo_), S_OK);
    VariantInit(&result_);
  }
  void TearDown() override {
    VariantClear(&result_);
    if (loaderInfo_) loaderInfo_->Release();
    if (fontInfo_) fontInfo_->Release();
    if (lib_) lib_->Release();
  }
  // Calls `memid` on the loader with `args` given in the caller's order.
  HRESULT callLoader(MEMBERID memid, WORD flags, std::initializer_list<VARIANT*> args) {
    return call(loaderInfo_, static_cast<IPaletteLoader*>(&loader_), memid, flags, args);
  }
  HRESULT call(ITypeInfo* info, void* object, MEMBERID memid, WORD flags,
               std::initializer_list<VARIANT*> args) {
    // rgvarg holds the arguments last-first.
    VARIANT reversed[8];
    UINT n = 0;
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed[n++] = **it;
    DISPPARAMS params = {n ? reversed : nullptr, nullptr, n, 0};
    argErr_ = 1000;
    HRESULT hr = info->Invoke(object, memid, flags, &params, &result_, nullptr, &argErr_);
    // Hand the (possibly converted) arguments back, as their owner.
    n = 0;
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) **it = reversed[n++];
    return hr;
  }

  ITypeLib* lib_ = nullptr;
  ITypeInfo* loaderInfo_ = nullptr;
  ITypeInfo* fontInfo_ = nullptr;
  FakeLoader loader_;
  FakeFontFile font_;
  VARIANT result_;
  UINT argErr_ = 0;
};

}  // namespace

TEST_F(InvokeTest, LoadWithAStringReturnsTheTruthValue) {
  VARIANT name = stringArg(u"palette.pcx");
  ASSERT_EQ(callLoader(1, DISPATCH_METHOD, {&name}), S_OK);
  EXPECT_EQ(loader_.loadedName, u"palette.pcx");
  EXPECT_EQ(result_.vt, VT_BOOL);
  EXPECT_EQ(result_.boolVal, VARIANT_TRUE);
  VariantClear(&name);
}

TEST_F(InvokeTest, LoadConvertsANumberAndReadsThroughReferences) {
  VARIANT number = intArg(42);
  ASSERT_EQ(callLoader(1, DISPATCH_METHOD, {&number}), S_OK);
  EXPECT_EQ(loader_.loadedName, u"42");
  VARIANT target = stringArg(u"by reference.bmp");
  VARIANT ref = byRef(&target);
  ASSERT_EQ(callLoader(1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {&ref}), S_OK);
  EXPECT_EQ(loader_.loadedName, u"by reference.bmp");
  VariantClear(&target);
}

TEST_F(InvokeTest, LoadRefusesAnArgumentThatIsNoString) {
  VARIANT object;
  VariantInit(&object);
  object.vt = VT_UNKNOWN;
  object.punkVal = nullptr;
  EXPECT_EQ(callLoader(1, DISPATCH_METHOD, {&object}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr_, 0u);
  EXPECT_TRUE(loader_.loadedName.empty());
}

TEST_F(InvokeTest, PropertyReadsAnsweredAsGetsNotAsMethods) {
  ASSERT_EQ(callLoader(2, DISPATCH_PROPERTYGET, {}), S_OK);
  EXPECT_EQ(result_.vt, VT_I4);
  EXPECT_EQ(result_.lVal, 16);
  VariantClear(&result_);
  ASSERT_EQ(callLoader(3, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}), S_OK);
  EXPECT_EQ(result_.lVal, -3);
  EXPECT_EQ(callLoader(2, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(callLoader(2, DISPATCH_PROPERTYPUT, {}), DISP_E_MEMBERNOTFOUND);
  VARIANT name = stringArg(u"x.bmp");
  EXPECT_EQ(callLoader(1, DISPATCH_PROPERTYGET, {&name}), DISP_E_MEMBERNOTFOUND);
  VariantClear(&name);
}

TEST_F(InvokeTest, GetRgbWritesThroughByReferenceVariants) {
  VARIANT index = stringArg(u"3");
  VARIANT red, green, blue;
  VariantInit(&red);
  VariantInit(&green);
  blue = stringArg(u"old value");  // released by the object before it writes
  VARIANT redRef = byRef(&red), greenRef = byRef(&green), blueRef = byRef(&blue);
  ASSERT_EQ(callLoader(4, DISPATCH_METHOD, {&index, &redRef, &greenRef, &blueRef}), S_OK);
  EXPECT_EQ(loader_.colorIndexType, VT_BSTR);
  EXPECT_EQ(loader_.colorIndex, 3);
  EXPECT_EQ(red.vt, VT_I4);
  EXPECT_EQ(red.lVal, 3);
  EXPECT_EQ(green.lVal, 6);
  ASSERT_EQ(blue.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(blue.bstrVal), u"blue");
  EXPECT_EQ(result_.vt, VT_BOOL);
  EXPECT_EQ(result_.boolVal, VARIANT_TRUE);
  VariantClear(&index);
  VariantClear(&blue);
}

TEST_F(InvokeTest, OutVariablesKeepTheirValueWhenNothingIsWritten) {
  VARIANT index = intArg(100);
  VARIANT red = stringArg(u"unchanged"), green = intArg(8), blue;
  VariantInit(&blue);
  VARIANT redRef = byRef(&red), greenRef = byRef(&green), blueRef = byRef(&blue);
  ASSERT_EQ(callLoader(4, DISPATCH_METHOD, {&index, &redRef, &greenRef, &blueRef}), S_OK);
  EXPECT_EQ(result_.boolVal, VARIANT_FALSE);
  ASSERT_EQ(red.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(red.bstrVal), u"unchanged");
  EXPECT_EQ(green.vt, VT_I4);
  EXPECT_EQ(green.lVal, 8);
  EXPECT_EQ(blue.vt, VT_EMPTY);
  VariantClear(&red);
}

TEST_F(InvokeTest, GetRgbIndexByReferenceIsTheCallersVariable) {
  VARIANT variable = intArg(5);
  VARIANT indexRef = byRef(&variable);
  VARIANT a, b, c;
  VariantInit(&a);
  VariantInit(&b);
  VariantInit(&c);
  VARIANT aRef = byRef(&a), bRef = byRef(&b), cRef = byRef(&c);
  ASSERT_EQ(callLoader(4, DISPATCH_METHOD, {&indexRef, &aRef, &bRef, &cRef}), S_OK);
  EXPECT_EQ(loader_.colorIndexType, VT_I4);
  EXPECT_EQ(loader_.colorIndex, 5);
  VariantClear(&c);
}

TEST_F(InvokeTest, OutParametersIntoTypedReferencesAndValues) {
  // A typed by-reference variable receives the converted value; a value
  // argument is allowed but sees nothing.
  VARIANT index = intArg(7);
  LONG redVariable = 0;
  BSTR greenText = SysAllocString(u"before");
  VARIANT redRef, greenRef;
  VariantInit(&redRef);
  redRef.vt = VT_BYREF | VT_I4;
  redRef.plVal = &redVariable;
  VariantInit(&greenRef);
  greenRef.vt = VT_BYREF | VT_BSTR;
  greenRef.pbstrVal = &greenText;
  VARIANT byValue = intArg(0);
  ASSERT_EQ(callLoader(4, DISPATCH_METHOD, {&index, &redRef, &greenRef, &byValue}), S_OK);
  EXPECT_EQ(redVariable, 7);
  EXPECT_EQ(std::u16string(greenText), u"14");
  SysFreeString(greenText);
  VariantClear(&byValue);  // the caller's own argument, written by the object
  // A by-reference type that cannot hold a number is refused before the call.
  VARIANT unknownRef;
  VariantInit(&unknownRef);
  IUnknown* unknown = nullptr;
  unknownRef.vt = VT_BYREF | VT_UNKNOWN;
  unknownRef.ppunkVal = &unknown;
  loader_.colorIndex = -1;
  EXPECT_EQ(callLoader(4, DISPATCH_METHOD, {&index, &unknownRef, &byValue, &byValue}),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr_, 2u);  // rgvarg holds the red argument third from the end
  EXPECT_EQ(loader_.colorIndex, -1);
}

TEST_F(InvokeTest, WrongArgumentCountsAndUnknownMembers) {
  VARIANT name = stringArg(u"a.bmp");
  EXPECT_EQ(callLoader(1, DISPATCH_METHOD, {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(callLoader(1, DISPATCH_METHOD, {&name, &name}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(callLoader(2, DISPATCH_PROPERTYGET, {&name}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(callLoader(5, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(call(fontInfo_, static_cast<IFontFile*>(&font_), 3, DISPATCH_METHOD, {}),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_TRUE(loader_.loadedName.empty());
  VariantClear(&name);
}

TEST_F(InvokeTest, FailureOfTheOperationIsReturnedAndNoResultSet) {
  loader_.loadResult = E_FAIL;
  VARIANT name = stringArg(u"a.bmp");
  EXPECT_EQ(callLoader(1, DISPATCH_METHOD, {&name}), E_FAIL);
  EXPECT_EQ(result_.vt, VT_EMPTY);
  VariantClear(&name);
}

TEST_F(InvokeTest, NamedArgumentsByParameterPosition) {
  VARIANT args[2];
  args[0] = intArg(9);   // named: pColorIdx (position 0)
  VARIANT red, green, blue;
  VariantInit(&red);
  VariantInit(&green);
  VariantInit(&blue);
  VARIANT redRef = byRef(&red), greenRef = byRef(&green), blueRef = byRef(&blue);
  VARIANT all[4] = {args[0], blueRef, greenRef, redRef};
  DISPID named[1] = {0};
  DISPPARAMS params = {all, named, 4, 1};
  // The three positional ones fill positions 0..2, which collides with the named one.
  EXPECT_EQ(loaderInfo_->Invoke(static_cast<IPaletteLoader*>(&loader_), 4, DISPATCH_METHOD,
                                &params, &result_, nullptr, &argErr_),
            DISP_E_PARAMNOTFOUND);
  // Named pColorIdx with the out parameters named too.
  VARIANT allNamed[4] = {args[0], redRef, greenRef, blueRef};
  DISPID positions[4] = {0, 1, 2, 3};
  DISPPARAMS namedParams = {allNamed, positions, 4, 4};
  ASSERT_EQ(loaderInfo_->Invoke(static_cast<IPaletteLoader*>(&loader_), 4, DISPATCH_METHOD,
                                &namedParams, &result_, nullptr, &argErr_),
            S_OK);
  EXPECT_EQ(red.lVal, 9);
  EXPECT_EQ(green.lVal, 18);
  VariantClear(&blue);
}

TEST_F(InvokeTest, FontFileStringResultsAndOutVariant) {
  VARIANT fileName;
  VariantInit(&fileName);
  VARIANT name = stringArg(u"DejaVu Sans");
  VARIANT fileRef = byRef(&fileName);
  IFontFile* object = &font_;
  ASSERT_EQ(call(fontInfo_, object, 1, DISPATCH_METHOD, {&name, &fileRef}), S_OK);
  ASSERT_EQ(fileName.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(fileName.bstrVal), u"DejaVu Sans");
  EXPECT_EQ(result_.boolVal, VARIANT_TRUE);
  VariantClear(&result_);
  ASSERT_EQ(call(fontInfo_, object, 2, DISPATCH_METHOD, {}), S_OK);
  ASSERT_EQ(result_.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(result_.bstrVal), u"/usr/share/fonts");
  // Without a place for the result the string is released, not leaked.
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(fontInfo_->Invoke(object, 2, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
  VariantClear(&name);
  VariantClear(&fileName);
}

TEST_F(InvokeTest, BadCallerArguments) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(loaderInfo_->Invoke(nullptr, 2, DISPATCH_PROPERTYGET, &none, &result_, nullptr,
                                nullptr),
            E_INVALIDARG);
  EXPECT_EQ(loaderInfo_->Invoke(static_cast<IPaletteLoader*>(&loader_), 2, DISPATCH_PROPERTYGET,
                                nullptr, &result_, nullptr, nullptr),
            E_INVALIDARG);
  DISPPARAMS missing = {nullptr, nullptr, 1, 0};
  EXPECT_EQ(loaderInfo_->Invoke(static_cast<IPaletteLoader*>(&loader_), 1, DISPATCH_METHOD,
                                &missing, &result_, nullptr, nullptr),
            E_INVALIDARG);
}
