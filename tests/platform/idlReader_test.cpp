// The IDL reader: the library's own definitions give the identities, order,
// dispatch ids, slots, parameters, flags and help strings the objects and
// their callers rely on; malformed text gives an error, never a crash.
#include "platform/host/idlReader.h"

#include "automation/zolmcomInterfaces.h"
#include "platform/host/typelibText.h"
#include "tests/platform/typelibTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>

using typelib::FuncModel;
using typelib::LibraryModel;
using typelib::ParamType;
using typelib::TypeModel;

namespace {

LibraryModel readOwnLibrary() {
  const std::string text = typelibtest::readIdl();
  LibraryModel lib;
  EXPECT_EQ(typelib::readIdlLibrary(text.data(), text.size(), lib), S_OK);
  return lib;
}

HRESULT readText(const std::string& text) {
  LibraryModel lib;
  return typelib::readIdlLibrary(text.data(), text.size(), lib);
}

const char kMinimal[] = R"(
[uuid(11111111-2222-3333-4444-555555555555), version(2.3)]
library L {
  [object, uuid(AAAAAAAA-2222-3333-4444-555555555555), dual]
  interface I : IDispatch {
    [id(7)] HRESULT f([in] BSTR a, [out, retval] VARIANT_BOOL* r);
  };
  [uuid(BBBBBBBB-2222-3333-4444-555555555555)]
  coclass C { [default] interface I; };
};
)";

}  // namespace

TEST(IdlReader, LibraryIdentityAndTypeOrder) {
  LibraryModel lib = readOwnLibrary();
  EXPECT_EQ(lib.name, u"ZOLMCOMLib");
  EXPECT_TRUE(IsEqualGUID(lib.guid, LIBID_ZOLMCOMLib));
  EXPECT_EQ(lib.majorVersion, 1);
  EXPECT_EQ(lib.minorVersion, 0);
  EXPECT_EQ(lib.lcid, 0u);
  EXPECT_EQ(lib.flags, 0);
  EXPECT_EQ(lib.help, u"zolmcom 1.0 Typbibliothek");
  ASSERT_EQ(lib.types.size(), 4u);
  EXPECT_EQ(lib.types[0].name, u"FontFile");
  EXPECT_EQ(lib.types[1].name, u"IFontFile");
  EXPECT_EQ(lib.types[2].name, u"PaletteLoader");
  EXPECT_EQ(lib.types[3].name, u"IPaletteLoader");
}

TEST(IdlReader, CoclassesAreCreatableWithTheirDefaultInterface) {
  LibraryModel lib = readOwnLibrary();
  ASSERT_EQ(lib.types.size(), 4u);
  const TypeModel& fontFile = lib.types[0];
  EXPECT_EQ(fontFile.kind, TKIND_COCLASS);
  EXPECT_TRUE(IsEqualGUID(fontFile.guid, CLSID_FontFile));
  EXPECT_EQ(fontFile.help, u"FontFile Class");
  EXPECT_EQ(fontFile.flags, TYPEFLAG_FCANCREATE);
  ASSERT_EQ(fontFile.impls.size(), 1u);
  EXPECT_EQ(fontFile.impls[0].typeIndex, 1u);
  EXPECT_EQ(fontFile.impls[0].flags, IMPLTYPEFLAG_FDEFAULT);
  const TypeModel& loader = lib.types[2];
  EXPECT_TRUE(IsEqualGUID(loader.guid, CLSID_PaletteLoader));
  EXPECT_EQ(loader.help, u"PaletteLoader Class");
  EXPECT_EQ(loader.flags, TYPEFLAG_FCANCREATE);
  ASSERT_EQ(loader.impls.size(), 1u);
  EXPECT_EQ(loader.impls[0].typeIndex, 3u);
}

TEST(IdlReader, FontFileInterface) {
  LibraryModel lib = readOwnLibrary();
  ASSERT_EQ(lib.types.size(), 4u);
  const TypeModel& t = lib.types[1];
  EXPECT_EQ(t.kind, TKIND_INTERFACE);
  EXPECT_TRUE(IsEqualGUID(t.guid, IID_IFontFile));
  EXPECT_EQ(t.help, u"IFontFile-Schnittstelle");
  EXPECT_EQ(t.flags, 0x1140);
  ASSERT_EQ(t.funcs.size(), 2u);
  const FuncModel& get = t.funcs[0];
  EXPECT_EQ(get.name, u"GetFileName");
  EXPECT_EQ(get.id, 1);
  EXPECT_EQ(get.kind, INVOKE_FUNC);
  EXPECT_EQ(get.slot, 7);
  EXPECT_EQ(get.help, u"Methode GetFileName");
  ASSERT_EQ(get.params.size(), 3u);
  EXPECT_EQ(get.params[0].name, u"FontName");
  EXPECT_EQ(get.params[0].type, ParamType::Bstr);
  EXPECT_EQ(get.params[0].flags, PARAMFLAG_FIN);
  EXPECT_EQ(get.params[1].name, u"pFileName");
  EXPECT_EQ(get.params[1].type, ParamType::VariantPointer);
  EXPECT_EQ(get.params[1].flags, PARAMFLAG_FOUT);
  EXPECT_EQ(get.params[2].name, u"pRetVal");
  EXPECT_EQ(get.params[2].type, ParamType::BoolPointer);
  EXPECT_EQ(get.params[2].flags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
  const FuncModel& dir = t.funcs[1];
  EXPECT_EQ(dir.name, u"GetFontDirectory");
  EXPECT_EQ(dir.id, 2);
  EXPECT_EQ(dir.slot, 8);
  EXPECT_EQ(dir.help, u"Methode GetFontDirectory");
  ASSERT_EQ(dir.params.size(), 1u);
  EXPECT_EQ(dir.params[0].name, u"pFontDirectory");
  EXPECT_EQ(dir.params[0].type, ParamType::BstrPointer);
  EXPECT_EQ(dir.params[0].flags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
}

TEST(IdlReader, PaletteLoaderInterface) {
  LibraryModel lib = readOwnLibrary();
  ASSERT_EQ(lib.types.size(), 4u);
  const TypeModel& t = lib.types[3];
  EXPECT_TRUE(IsEqualGUID(t.guid, IID_IPaletteLoader));
  EXPECT_EQ(t.help, u"IPaletteLoader-Schnittstelle");
  EXPECT_EQ(t.flags, 0x11C0);
  ASSERT_EQ(t.funcs.size(), 4u);
  const char16_t* names[] = {u"load", u"ColorCount", u"lastError", u"getRGB"};
  const char16_t* helps[] = {u"method load", u"property ColorCount", u"property lastError",
                             u"method getRGB"};
  const INVOKEKIND kinds[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYGET, INVOKE_FUNC};
  const size_t paramCounts[] = {2, 1, 1, 5};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(t.funcs[i].name, names[i]);
    EXPECT_EQ(t.funcs[i].help, helps[i]);
    EXPECT_EQ(t.funcs[i].id, i + 1);
    EXPECT_EQ(t.funcs[i].slot, 7 + i);
    EXPECT_EQ(t.funcs[i].kind, kinds[i]);
    EXPECT_EQ(t.funcs[i].params.size(), paramCounts[i]);
  }
  const FuncModel& rgb = t.funcs[3];
  ASSERT_EQ(rgb.params.size(), 5u);
  EXPECT_EQ(rgb.params[0].name, u"pColorIdx");
  EXPECT_EQ(rgb.params[0].flags, PARAMFLAG_FIN);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(rgb.params[i].type, ParamType::VariantPointer);
    EXPECT_EQ(rgb.params[i].flags, PARAMFLAG_FOUT);
  }
  EXPECT_EQ(rgb.params[1].name, u"pRed");
  EXPECT_EQ(rgb.params[2].name, u"pGreen");
  EXPECT_EQ(rgb.params[3].name, u"pBlue");
  EXPECT_EQ(rgb.params[4].flags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
  EXPECT_EQ(t.funcs[1].params[0].name, u"pVal");
  EXPECT_EQ(t.funcs[1].params[0].type, ParamType::VariantPointer);
}

TEST(IdlReader, AcceptsDefinitionsInsideTheLibrary) {
  LibraryModel lib;
  ASSERT_EQ(typelib::readIdlLibrary(kMinimal, sizeof kMinimal - 1, lib), S_OK);
  EXPECT_EQ(lib.majorVersion, 2);
  EXPECT_EQ(lib.minorVersion, 3);
  ASSERT_EQ(lib.types.size(), 2u);
  EXPECT_EQ(lib.types[0].name, u"I");
  EXPECT_EQ(lib.types[0].funcs[0].id, 7);
  EXPECT_EQ(lib.types[1].impls[0].typeIndex, 0u);
}

TEST(IdlReader, RefusesMalformedDefinitions) {
  const std::string base = kMinimal;
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string s = base;
    size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
  };
  EXPECT_EQ(readText(""), TYPE_E_CANTLOADLIBRARY);                       // no library
  EXPECT_EQ(readText("library"), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(base + base), TYPE_E_CANTLOADLIBRARY);              // two libraries
  EXPECT_EQ(readText(replaced("11111111-2222", "1111111-2222")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("uuid(AAAAAAAA-2222-3333-4444-555555555555), ", "")),
            TYPE_E_CANTLOADLIBRARY);                                     // interface without id
  EXPECT_EQ(readText(replaced(": IDispatch", ": IUnknown")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("[id(7)]", "")), TYPE_E_CANTLOADLIBRARY);  // no dispatch id
  EXPECT_EQ(readText(replaced("id(7)", "id(99999999999)")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("HRESULT f", "long f")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("[in] BSTR a", "[in] long a")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("[in] BSTR a", "[in] BSTR*** a")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("[in] BSTR a, [out, retval] VARIANT_BOOL* r",
                              "[out, retval] VARIANT_BOOL* r, [in] BSTR a")),
            TYPE_E_CANTLOADLIBRARY);                                     // retval not last
  EXPECT_EQ(readText(replaced("[in] BSTR a", "[in] BSTR r")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("interface I;", "interface J;")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("{ [default] interface I; }", "{ }")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("[id(7)]", "[id(7), propput]")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("library L {", "library L { /* open")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(replaced("version(2.3)", "version(2.x)")), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(readText(std::string("library\0L", 9)), TYPE_E_CANTLOADLIBRARY);
}

TEST(IdlReader, HelpStringsMustBeWellFormedUtf8) {
  auto withHelp = [](const std::string& help) {
    std::string s = kMinimal;
    const std::string at = "version(2.3)";
    return s.replace(s.find(at), at.size(), at + ", helpstring(\"" + help + "\")");
  };
  LibraryModel lib;
  const std::string good = withHelp("Gr\xC3\xB6\xC3\x9F" "e \xF0\x9F\x8E\xA8");
  ASSERT_EQ(typelib::readIdlLibrary(good.data(), good.size(), lib), S_OK);
  EXPECT_EQ(lib.help, u"Gr\u00F6\u00DFe \U0001F3A8");
  EXPECT_EQ(readText(withHelp("a\xC0\x80")), TYPE_E_CANTLOADLIBRARY);          // overlong
  EXPECT_EQ(readText(withHelp("a\xED\xA0\x80")), TYPE_E_CANTLOADLIBRARY);      // surrogate
  EXPECT_EQ(readText(withHelp("a\xF4\x90\x80\x80")), TYPE_E_CANTLOADLIBRARY);  // past U+10FFFF
  EXPECT_EQ(readText(withHelp("a\xC3")), TYPE_E_CANTLOADLIBRARY);              // cut short
  EXPECT_EQ(readText(withHelp("a\x80")), TYPE_E_CANTLOADLIBRARY);              // stray byte
}

TEST(IdlReader, RefusesDuplicateMembersAndTooManyParameters) {
  const std::string base = kMinimal;
  std::string twice = base;
  const std::string method = "[id(7)] HRESULT f([in] BSTR a, [out, retval] VARIANT_BOOL* r);";
  twice.insert(twice.find(method), "[id(7)] HRESULT g([in] BSTR a);");
  EXPECT_EQ(readText(twice), TYPE_E_CANTLOADLIBRARY);
  std::string many = base;
  std::string params = "[in] BSTR p0";
  for (int i = 1; i < 9; ++i) params += ", [in] BSTR p" + std::to_string(i);
  many.replace(many.find("[in] BSTR a, [out, retval] VARIANT_BOOL* r"),
               std::string("[in] BSTR a, [out, retval] VARIANT_BOOL* r").size(), params);
  EXPECT_EQ(readText(many), TYPE_E_CANTLOADLIBRARY);
}

TEST(IdlReader, EveryTruncationOfTheOwnDefinitionsIsRefusedCleanly) {
  const std::string text = typelibtest::readIdl();
  ASSERT_FALSE(text.empty());
  // Cutting the text anywhere before the library's closing brace must fail.
  const size_t lastBrace = text.rfind('}');
  for (size_t length = 0; length <= lastBrace; ++length) {
    LibraryModel lib;
    ASSERT_EQ(typelib::readIdlLibrary(text.data(), length, lib), TYPE_E_CANTLOADLIBRARY)
        << "accepted a text cut at " << length;
  }
}

TEST(IdlReader, ByteFlipsNeverCrash) {
  const std::string text = typelibtest::readIdl();
  // Deterministic pseudo-random corruption of single bytes; each result is
  // either a library or an error.
  uint32_t state = 12345;
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string s = text;
    state = state * 1103515245u + 12345u;
    const size_t at = (state >> 8) % s.size();
    state = state * 1103515245u + 12345u;
    s[at] = static_cast<char>(state >> 16);
    LibraryModel lib;
    HRESULT hr = typelib::readIdlLibrary(s.data(), s.size(), lib);
    ASSERT_TRUE(hr == S_OK || hr == TYPE_E_CANTLOADLIBRARY);
    if (hr == S_OK) ++accepted;
  }
  EXPECT_LT(accepted, 3000);
}

TEST(IdlReader, RefusesOversizedText) {
  std::string big(typelib::kMaxIdlSize + 1, ' ');
  EXPECT_EQ(readText(big), TYPE_E_CANTLOADLIBRARY);
}
