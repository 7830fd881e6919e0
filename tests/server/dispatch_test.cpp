// Dispatch through the type library: dispatch ids by name and the name
// cache's case rule, Invoke of every method and property with the argument
// forms a script host sends, and dispatch failing until the type library is
// registered.
#include "server/dispatchImpl.h"

#include "server/comModule.h"
#include "tests/server/dispatchFixture.h"
#include "tests/server/twoColourPicture.h"

namespace {

using namespace dispatch_test;

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(RegisterTypeLibrary(), S_OK); }
};

TEST(DispatchUnregistered, FailsUntilTypeLibraryIsRegistered) {
  IDispatch* loader = Create(CLSID_PaletteLoader);
  ASSERT_NE(loader, nullptr);
  DISPID id = 0;
  const HRESULT before = IdOf(loader, u"load", &id);
  EXPECT_TRUE(FAILED(before));
  VARIANT result;
  VariantInit(&result);
  EXPECT_TRUE(FAILED(Call(loader, 2, DISPATCH_PROPERTYGET, {}, &result)));
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(0x1);
  EXPECT_TRUE(FAILED(loader->GetTypeInfo(0, 0, &info)));
  EXPECT_EQ(info, nullptr);

  ASSERT_EQ(RegisterTypeLibrary(), S_OK);
  EXPECT_EQ(IdOf(loader, u"load", &id), S_OK);
  EXPECT_EQ(id, 1);
  EXPECT_EQ(Call(loader, 2, DISPATCH_PROPERTYGET, {}, &result), S_OK);
  VariantClear(&result);
  loader->Release();
}

TEST_F(Dispatch, TypeInfoCountAndTypeInfo) {
  IDispatch* fonts = Create(CLSID_FontFile);
  UINT count = 0;
  EXPECT_EQ(fonts->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(fonts->GetTypeInfoCount(nullptr), E_POINTER);
  ITypeInfo* first = nullptr;
  ITypeInfo* fifth = nullptr;
  ASSERT_EQ(fonts->GetTypeInfo(0, 0, &first), S_OK);
  ASSERT_EQ(fonts->GetTypeInfo(5, 0, &fifth), S_OK);
  EXPECT_EQ(first, fifth);
  EXPECT_EQ(fonts->GetTypeInfo(0, 0, nullptr), E_POINTER);
  first->Release();
  fifth->Release();
  fonts->Release();
}

TEST_F(Dispatch, MemberIdsByName) {
  IDispatch* loader = Create(CLSID_PaletteLoader);
  IDispatch* fonts = Create(CLSID_FontFile);
  const struct {
    IDispatch* object;
    const char16_t* name;
    DISPID id;
  } members[] = {{loader, u"load", 1},        {loader, u"ColorCount", 2},
                 {loader, u"lastError", 3},   {loader, u"getRGB", 4},
                 {fonts, u"GetFileName", 1},  {fonts, u"GetFontDirectory", 2}};
  for (const auto& member : members) {
    DISPID id = -7;
    EXPECT_EQ(IdOf(member.object, member.name, &id), S_OK);
    EXPECT_EQ(id, member.id);
  }
  DISPID id = 0;
  EXPECT_EQ(IdOf(fonts, u"load", &id), DISP_E_UNKNOWNNAME);
  loader->Release();
  fonts->Release();
}

TEST_F(Dispatch, NamesInOtherCaseGoToTheTypeInformation) {
  IDispatch* loader = Create(CLSID_PaletteLoader);
  DISPID id = 0;
  EXPECT_EQ(IdOf(loader, u"LOAD", &id), S_OK);
  EXPECT_EQ(id, 1);
  EXPECT_EQ(IdOf(loader, u"colorcount", &id), S_OK);
  EXPECT_EQ(id, 2);
  EXPECT_EQ(IdOf(loader, u"loa", &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(IdOf(loader, u"loadx", &id), DISP_E_UNKNOWNNAME);
  loader->Release();
}

TEST_F(Dispatch, MethodWithParameterNames) {
  IDispatch* loader = Create(CLSID_PaletteLoader);
  LPOLESTR names[2] = {const_cast<LPOLESTR>(u"getRGB"), const_cast<LPOLESTR>(u"pGreen")};
  DISPID ids[2] = {0, 0};
  ASSERT_EQ(loader->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
  EXPECT_EQ(ids[0], 4);
  EXPECT_EQ(ids[1], 2);  // pColorIdx 0, pRed 1, pGreen 2
  loader->Release();
}

TEST_F(Dispatch, LoadAnswersFalseForMissingFile) {
  IDispatch* loader = Create(CLSID_PaletteLoader);
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(Call(loader, 1, DISPATCH_METHOD, {Text(u"/nonexistent/zolmcom/picture.bmp")}, &result),
            S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_FALSE);

  VARIANT lastError;
  VariantInit(&lastError);
  ASSERT_EQ(Call(loader, 3, DISPATCH_PROPERTYGET, {}, &lastError), S_OK);
  VARIANT number;
  VariantInit(&number);
  EXPECT_EQ(VariantChangeType(&number, &lastError, 0, VT_I4), S_OK);
  VariantClear(&lastError);
  loader->Release();
}

TEST_F(Dispatch, PropertiesAreReadsNotMethods) {
  IDispatch* loader = Create(CLSID_PaletteLoader);
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(Call(loader, 2, DISPATCH_PROPERTYGET, {}, &result), S_OK);
  VariantClear(&result);
  EXPECT_EQ(Call(loader, 2, DISPATCH_PROPERTYPUT, {Number(3)}, &result), DISP_E_MEMBERNOTFOUND);
  loader->Release();
}

TEST_F(Dispatch, GetRgbWithByReferenceOutParameters) {
  IDispatch* loader = Create(CLSID_PaletteLoader);
  VARIANT red, green, blue, result;
  for (VARIANT* v : {&red, &green, &blue, &result}) VariantInit(v);
  // Nothing is loaded: no colour 0, but the call itself goes through.
  ASSERT_EQ(Call(loader, 4, DISPATCH_METHOD,
                 {Number(0), Reference(&red), Reference(&green), Reference(&blue)}, &result),
            S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_FALSE);
  EXPECT_EQ(Call(loader, 4, DISPATCH_METHOD, {Number(0)}, &result), DISP_E_BADPARAMCOUNT);
  for (VARIANT* v : {&red, &green, &blue, &result}) VariantClear(v);
  loader->Release();
}

TEST_F(Dispatch, FontDirectoryAndFileName) {
  IDispatch* fonts = Create(CLSID_FontFile);
  VARIANT directory;
  VariantInit(&directory);
  ASSERT_EQ(Call(fonts, 2, DISPATCH_METHOD, {}, &directory), S_OK);
  EXPECT_EQ(directory.vt, VT_BSTR);
  EXPECT_GT(SysStringLen(directory.bstrVal), 0u);
  VariantClear(&directory);

  VARIANT fileName, result;
  VariantInit(&fileName);
  VariantInit(&result);
  ASSERT_EQ(Call(fonts, 1, DISPATCH_METHOD,
                 {Text(u"No Such Font Family Anywhere"), Reference(&fileName)}, &result),
            S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_FALSE);
  VariantClear(&fileName);

  VARIANT none;
  VariantInit(&none);
  EXPECT_EQ(Call(fonts, 3, DISPATCH_METHOD, {}, &none), DISP_E_MEMBERNOTFOUND);
  fonts->Release();
}

TEST_F(Dispatch, StringArgumentFromNumberIsConverted) {
  IDispatch* loader = Create(CLSID_PaletteLoader);
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(Call(loader, 1, DISPATCH_METHOD, {Number(17)}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  loader->Release();
}

LONG AsNumber(VARIANT* value) {
  VARIANT number;
  VariantInit(&number);
  EXPECT_EQ(VariantChangeType(&number, value, 0, VT_I4), S_OK);
  return number.lVal;
}

TEST_F(Dispatch, LoadsPaletteAndReadsColoursByName) {
  const std::string file = picture_test::WriteTwoColourBmp("two.bmp");
  ASSERT_FALSE(file.empty());
  IDispatch* loader = Create(CLSID_PaletteLoader);
  DISPID load = 0, colorCount = 0, lastError = 0, getRgb = 0;
  ASSERT_EQ(IdOf(loader, u"load", &load), S_OK);
  ASSERT_EQ(IdOf(loader, u"ColorCount", &colorCount), S_OK);
  ASSERT_EQ(IdOf(loader, u"lastError", &lastError), S_OK);
  ASSERT_EQ(IdOf(loader, u"getRGB", &getRgb), S_OK);

  const std::u16string name(file.begin(), file.end());
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(Call(loader, load, DISPATCH_METHOD, {Text(name.c_str())}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_TRUE);

  VARIANT count;
  VariantInit(&count);
  ASSERT_EQ(Call(loader, colorCount, DISPATCH_PROPERTYGET, {}, &count), S_OK);
  EXPECT_EQ(AsNumber(&count), 2);
  VARIANT error;
  VariantInit(&error);
  ASSERT_EQ(Call(loader, lastError, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &error), S_OK);
  EXPECT_EQ(AsNumber(&error), 0);

  // The index as a number and as the text a script may pass.
  for (bool asText : {false, true}) {
    VARIANT index = asText ? Text(u"1") : Number(1);
    VARIANT red, green, blue;
    for (VARIANT* v : {&red, &green, &blue}) VariantInit(v);
    ASSERT_EQ(Call(loader, getRgb, DISPATCH_METHOD,
                   {index, Reference(&red), Reference(&green), Reference(&blue)}, &result),
              S_OK);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    EXPECT_EQ(AsNumber(&red), 253);
    EXPECT_EQ(AsNumber(&green), 254);
    EXPECT_EQ(AsNumber(&blue), 255);
  }

  VARIANT red, green, blue;
  for (VARIANT* v : {&red, &green, &blue}) VariantInit(v);
  ASSERT_EQ(Call(loader, getRgb, DISPATCH_METHOD,
                 {Number(2), Reference(&red), Reference(&green), Reference(&blue)}, &result),
            S_OK);
  EXPECT_EQ(result.boolVal, VARIANT_FALSE);
  loader->Release();
}

}  // namespace
