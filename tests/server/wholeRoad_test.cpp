// The whole road of a script host's call, end to end on the host: register
// the library, create PaletteLoader and FontFile by ProgID (the platform
// loads libzolmcom.so), load pictures and read their colours through
// IDispatch by name, release everything and let the platform unload the idle
// library. The leak stage runs this program under valgrind, the sanitizer
// stage under LeakSanitizer: nothing on the road may be left behind.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "automation/zolmcomInterfaces.h"
#include "platform/objbase.h"
#include "platform/oleauto.h"
#include "platform/winreg.h"
#include "tests/server/dispatchFixture.h"

namespace {

using dispatch_test::Call;
using dispatch_test::IdOf;
using dispatch_test::Number;
using dispatch_test::Reference;
using dispatch_test::Text;

const std::string kLibrary = std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so";
const std::string kPictures = std::string(ZOLM_TEST_DATA) + "/../../fuzz/corpus/";

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

void SetDefault(const std::u16string& key, const std::u16string& value) {
  HKEY handle = nullptr;
  const std::string path(key.begin(), key.end());  // ASCII: the same bytes as UTF-8
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &handle, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))),
            ERROR_SUCCESS);
  RegCloseKey(handle);
}

std::u16string ClassKey(REFCLSID clsid) {
  OLECHAR text[40];
  StringFromGUID2(clsid, text, 40);
  return std::u16string(u"CLSID\\") + text;
}

// The entries a registration writes that the road needs: ProgIDs, the
// servers' paths and the type library.
void Register() {
  OLECHAR palette[40], font[40];
  StringFromGUID2(CLSID_PaletteLoader, palette, 40);
  StringFromGUID2(CLSID_FontFile, font, 40);
  SetDefault(u"zolmcom.PaletteLoader\\CLSID", palette);
  SetDefault(u"Zolmcom.FontFile\\CLSID", font);
  SetDefault(ClassKey(CLSID_PaletteLoader) + u"\\InprocServer32", Wide(kLibrary));
  SetDefault(ClassKey(CLSID_FontFile) + u"\\InprocServer32", Wide(kLibrary));
  ASSERT_EQ(dispatch_test::RegisterTypeLibrary(), S_OK);
}

bool LibraryMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find("libzolmcom.so") != std::string::npos) return true;
  return false;
}

IDispatch* CreateByProgId(const char16_t* progId) {
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
  void* object = nullptr;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), S_OK);
  return static_cast<IDispatch*>(object);
}

// load(name) by name through IDispatch; the call's VARIANT_BOOL.
VARIANT_BOOL Load(IDispatch* loader, const std::string& path) {
  DISPID id = 0;
  EXPECT_EQ(IdOf(loader, u"load", &id), S_OK);
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(Call(loader, id, DISPATCH_METHOD, {Text(Wide(path).c_str())}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  return result.boolVal;
}

LONG ColorCount(IDispatch* loader) {
  DISPID id = 0;
  EXPECT_EQ(IdOf(loader, u"ColorCount", &id), S_OK);
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(Call(loader, id, DISPATCH_PROPERTYGET, {}, &result), S_OK);
  VARIANT count;
  VariantInit(&count);
  EXPECT_EQ(VariantChangeType(&count, &result, 0, VT_I4), S_OK);
  VariantClear(&result);
  return count.lVal;
}

// Every colour of the loaded palette, read by name as a script reads it.
void ReadAllColours(IDispatch* loader, LONG count) {
  DISPID id = 0;
  ASSERT_EQ(IdOf(loader, u"getRGB", &id), S_OK);
  for (LONG i = 0; i < count; ++i) {
    VARIANT red, green, blue, result;
    VariantInit(&red);
    VariantInit(&green);
    VariantInit(&blue);
    VariantInit(&result);
    ASSERT_EQ(Call(loader, id, DISPATCH_METHOD,
                   {Number(i), Reference(&red), Reference(&green), Reference(&blue)}, &result),
              S_OK);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    VariantClear(&red);
    VariantClear(&green);
    VariantClear(&blue);
  }
}

TEST(WholeRoad, CreateLoadReleaseUnload) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  Register();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    IDispatch* loader = CreateByProgId(u"zolmcom.PaletteLoader");
    ASSERT_NE(loader, nullptr);
    EXPECT_TRUE(LibraryMapped());
    EXPECT_EQ(Load(loader, kPictures + "bmpReader/8bit-7x4.bmp"), VARIANT_TRUE);
    EXPECT_EQ(ColorCount(loader), 256);
    ReadAllColours(loader, 256);
    // A second load replaces the first picture; a failed one leaves nothing.
    EXPECT_EQ(Load(loader, kPictures + "pcxReader/1x4-9x3.pcx"), VARIANT_TRUE);
    EXPECT_EQ(ColorCount(loader), 16);
    ReadAllColours(loader, 16);
    EXPECT_EQ(Load(loader, kPictures + "pcxReader/8x3-5x3.pcx"), VARIANT_FALSE);
    EXPECT_EQ(Load(loader, kPictures + "missing.bmp"), VARIANT_FALSE);
    EXPECT_EQ(Load(loader, kPictures + "bmpReader/rle8-6x3.bmp"), VARIANT_TRUE);

    IDispatch* fonts = CreateByProgId(u"Zolmcom.FontFile");
    ASSERT_NE(fonts, nullptr);
    DISPID id = 0;
    ASSERT_EQ(IdOf(fonts, u"GetFontDirectory", &id), S_OK);
    VARIANT directory;
    VariantInit(&directory);
    EXPECT_EQ(Call(fonts, id, DISPATCH_METHOD, {}, &directory), S_OK);
    EXPECT_EQ(directory.vt, VT_BSTR);
    VariantClear(&directory);
    ASSERT_EQ(IdOf(fonts, u"GetFileName", &id), S_OK);
    VARIANT file, found;
    VariantInit(&file);
    VariantInit(&found);
    EXPECT_EQ(Call(fonts, id, DISPATCH_METHOD, {Text(u"DejaVu Sans"), Reference(&file)}, &found), S_OK);
    VariantClear(&file);

    EXPECT_EQ(fonts->Release(), 0u);
    EXPECT_EQ(loader->Release(), 0u);
    // Idle now: the platform lets the library go.
    CoFreeUnusedLibraries();
    EXPECT_FALSE(LibraryMapped());
  }
  CoUninitialize();
}

}  // namespace
