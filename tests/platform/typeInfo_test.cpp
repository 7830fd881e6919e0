// The type library and type information objects over the library's own
// definitions: what dispatch and registration ask of them (type attributes,
// function descriptions, documentation, ids by name) and their reference
// counting.
#include "platform/host/typeLib.h"

#include "automation/zolmcomInterfaces.h"
#include "tests/platform/typelibTestSupport.h"

#include <gtest/gtest.h>

namespace {

class TypeInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lib_ = typelibtest::loadZolmcomLib();
    ASSERT_NE(lib_, nullptr);
  }
  void TearDown() override {
    if (lib_) {
      EXPECT_EQ(lib_->Release(), 0u);  // nothing else still holds it
    }
  }
  ITypeInfo* infoOf(REFGUID guid) {
    ITypeInfo* info = nullptr;
    EXPECT_EQ(lib_->GetTypeInfoOfGuid(guid, &info), S_OK);
    return info;
  }
  ITypeLib* lib_ = nullptr;
};

MEMBERID idOf(ITypeInfo* info, const char16_t* name) {
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  MEMBERID id = 12345;
  HRESULT hr = info->GetIDsOfNames(names, 1, &id);
  return hr == S_OK ? id : -100 - (hr & 0xFF);
}

}  // namespace

TEST_F(TypeInfoTest, LibraryAttributesAndDocumentation) {
  EXPECT_EQ(lib_->GetTypeInfoCount(), 4u);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_ZOLMCOMLib));
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 0u);
  EXPECT_EQ(attr->wLibFlags, 0);
  EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  lib_->ReleaseTLibAttr(attr);
  BSTR name = nullptr, help = nullptr, file = reinterpret_cast<BSTR>(1);
  DWORD context = 99;
  ASSERT_EQ(lib_->GetDocumentation(-1, &name, &help, &context, &file), S_OK);
  EXPECT_EQ(std::u16string(name), u"ZOLMCOMLib");
  EXPECT_EQ(std::u16string(help), u"zolmcom 1.0 Typbibliothek");
  EXPECT_EQ(context, 0u);
  EXPECT_EQ(file, nullptr);  // no help file
  SysFreeString(name);
  SysFreeString(help);
  ASSERT_EQ(lib_->GetDocumentation(2, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::u16string(name), u"PaletteLoader");
  SysFreeString(name);
  EXPECT_EQ(lib_->GetDocumentation(4, &name, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
  ITypeInfo* none = nullptr;
  EXPECT_EQ(lib_->GetTypeInfo(4, &none), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(lib_->GetTypeInfoOfGuid(IID_IDispatch, &none), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(none, nullptr);
}

TEST_F(TypeInfoTest, InterfaceTypeAttributes) {
  ITypeInfo* info = infoOf(IID_IPaletteLoader);
  ASSERT_NE(info, nullptr);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IPaletteLoader));
  EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
  EXPECT_EQ(attr->cFuncs, 4);
  EXPECT_EQ(attr->cVars, 0);
  EXPECT_EQ(attr->wTypeFlags, 0x11C0);
  EXPECT_EQ(attr->cbSizeVft, 11 * sizeof(void*));
  EXPECT_EQ(attr->wMajorVerNum, 0);
  info->ReleaseTypeAttr(attr);
  info->Release();
  info = infoOf(IID_IFontFile);
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->cFuncs, 2);
  EXPECT_EQ(attr->wTypeFlags, 0x1140);
  EXPECT_EQ(attr->cbSizeVft, 9 * sizeof(void*));
  info->ReleaseTypeAttr(attr);
  info->Release();
}

TEST_F(TypeInfoTest, FunctionDescriptions) {
  ITypeInfo* info = infoOf(IID_IPaletteLoader);
  ASSERT_NE(info, nullptr);
  FUNCDESC* d = nullptr;
  ASSERT_EQ(info->GetFuncDesc(3, &d), S_OK);
  EXPECT_EQ(d->memid, 4);
  EXPECT_EQ(d->invkind, INVOKE_FUNC);
  EXPECT_EQ(d->funckind, FUNC_PUREVIRTUAL);
  EXPECT_EQ(d->callconv, CC_STDCALL);
  EXPECT_EQ(d->oVft, static_cast<SHORT>(10 * sizeof(void*)));
  EXPECT_EQ(d->cParams, 5);
  EXPECT_EQ(d->cParamsOpt, 0);
  EXPECT_EQ(d->wFuncFlags, 0);
  EXPECT_EQ(d->elemdescFunc.tdesc.vt, VT_HRESULT);
  EXPECT_EQ(d->lprgelemdescParam[0].tdesc.vt, VT_PTR);
  EXPECT_EQ(d->lprgelemdescParam[0].tdesc.lptdesc->vt, VT_VARIANT);
  EXPECT_EQ(d->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FIN);
  EXPECT_EQ(d->lprgelemdescParam[4].tdesc.lptdesc->vt, VT_BOOL);
  EXPECT_EQ(d->lprgelemdescParam[4].paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
  info->ReleaseFuncDesc(d);
  ASSERT_EQ(info->GetFuncDesc(1, &d), S_OK);
  EXPECT_EQ(d->memid, 2);
  EXPECT_EQ(d->invkind, INVOKE_PROPERTYGET);
  EXPECT_EQ(d->oVft, static_cast<SHORT>(8 * sizeof(void*)));
  info->ReleaseFuncDesc(d);
  ASSERT_EQ(info->GetFuncDesc(0, &d), S_OK);
  EXPECT_EQ(d->lprgelemdescParam[0].tdesc.vt, VT_BSTR);
  info->ReleaseFuncDesc(d);
  EXPECT_EQ(info->GetFuncDesc(4, &d), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(d, nullptr);
  info->Release();
}

TEST_F(TypeInfoTest, MemberDocumentation) {
  ITypeInfo* info = infoOf(IID_IFontFile);
  ASSERT_NE(info, nullptr);
  BSTR name = nullptr, help = nullptr;
  ASSERT_EQ(info->GetDocumentation(1, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::u16string(name), u"GetFileName");
  EXPECT_EQ(std::u16string(help), u"Methode GetFileName");
  SysFreeString(name);
  SysFreeString(help);
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::u16string(name), u"IFontFile");
  EXPECT_EQ(std::u16string(help), u"IFontFile-Schnittstelle");
  SysFreeString(name);
  SysFreeString(help);
  EXPECT_EQ(info->GetDocumentation(3, &name, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
  info->Release();
}

TEST_F(TypeInfoTest, IdsByNameIgnoreCase) {
  ITypeInfo* loader = infoOf(IID_IPaletteLoader);
  ITypeInfo* font = infoOf(IID_IFontFile);
  ASSERT_NE(loader, nullptr);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(idOf(loader, u"load"), 1);
  EXPECT_EQ(idOf(loader, u"LOAD"), 1);
  EXPECT_EQ(idOf(loader, u"colorcount"), 2);
  EXPECT_EQ(idOf(loader, u"LastError"), 3);
  EXPECT_EQ(idOf(loader, u"GETRGB"), 4);
  EXPECT_EQ(idOf(font, u"getfilename"), 1);
  EXPECT_EQ(idOf(font, u"GetFontDirectory"), 2);
  LPOLESTR unknown[1] = {const_cast<LPOLESTR>(u"loadx")};
  MEMBERID id = 0;
  EXPECT_EQ(loader->GetIDsOfNames(unknown, 1, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, MEMBERID_NIL);
  unknown[0] = const_cast<LPOLESTR>(u"load");  // a name of the other interface
  EXPECT_EQ(font->GetIDsOfNames(unknown, 1, &id), DISP_E_UNKNOWNNAME);
  loader->Release();
  font->Release();
}

TEST_F(TypeInfoTest, ParameterNamesGiveTheirPositions) {
  ITypeInfo* loader = infoOf(IID_IPaletteLoader);
  ASSERT_NE(loader, nullptr);
  LPOLESTR names[4] = {const_cast<LPOLESTR>(u"getRGB"), const_cast<LPOLESTR>(u"pBlue"),
                       const_cast<LPOLESTR>(u"PCOLORIDX"), const_cast<LPOLESTR>(u"pGreen")};
  MEMBERID ids[4] = {};
  ASSERT_EQ(loader->GetIDsOfNames(names, 4, ids), S_OK);
  EXPECT_EQ(ids[0], 4);
  EXPECT_EQ(ids[1], 3);
  EXPECT_EQ(ids[2], 0);
  EXPECT_EQ(ids[3], 2);
  names[2] = const_cast<LPOLESTR>(u"pAlpha");
  EXPECT_EQ(loader->GetIDsOfNames(names, 4, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 4);  // the known names are still answered
  EXPECT_EQ(ids[1], 3);
  EXPECT_EQ(ids[2], DISPID_UNKNOWN);
  EXPECT_EQ(ids[3], 2);
  loader->Release();
}

TEST_F(TypeInfoTest, CoclassAttributes) {
  ITypeInfo* coclass = infoOf(CLSID_PaletteLoader);
  ASSERT_NE(coclass, nullptr);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_EQ(attr->cImplTypes, 1);
  EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FCANCREATE);
  coclass->ReleaseTypeAttr(attr);
  coclass->Release();
}

TEST_F(TypeInfoTest, InterfacesAnsweredAndLifetimeShared) {
  ITypeInfo* info = infoOf(IID_IFontFile);
  ASSERT_NE(info, nullptr);
  void* out = nullptr;
  EXPECT_EQ(info->QueryInterface(IID_ITypeInfo2, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(info->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, static_cast<void*>(info));
  static_cast<IUnknown*>(out)->Release();
  // The type information keeps its library alive after the library's own
  // reference is gone.
  lib_->AddRef();
  EXPECT_EQ(lib_->Release(), 2u);  // the test's reference and the type information's
  ITypeLib* lib = lib_;
  lib_ = nullptr;
  lib->Release();
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->cFuncs, 2);
  info->ReleaseTypeAttr(attr);
  EXPECT_EQ(info->Release(), 0u);
}
