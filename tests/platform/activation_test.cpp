// Activation on the host: ProgIDs (with CurVer), the InprocServer32 path, the
// loaded library's class objects, and the errors for what is not registered.
#include "platform/objbase.h"

#include <gtest/gtest.h>

#include <string>

#include "automation/zolmcomInterfaces.h"
#include "platform/oleauto.h"
#include "platform/winreg.h"

namespace {

void SetDefault(const std::u16string& path, const std::u16string& value) {
  HKEY key = nullptr;
  const std::string narrow(path.begin(), path.end());  // ASCII: the same bytes as UTF-8
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, narrow.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(OLECHAR))),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

const char16_t kFontFileClass[] = u"{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}";

void RegisterFontFile(const std::string& serverPath) {
  SetDefault(u"Zolmcom.FontFile.1\\CLSID", kFontFileClass);
  SetDefault(u"Zolmcom.FontFile\\CurVer", u"Zolmcom.FontFile.1");
  SetDefault(std::u16string(u"CLSID\\") + kFontFileClass + u"\\InprocServer32", Wide(serverPath));
}

TEST(ProgIds, ClassIdFromProgIdAndThroughCurVer) {
  RegisterFontFile(std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so");
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"Zolmcom.FontFile.1", &clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, CLSID_FontFile));
  clsid = CLSID{};
  ASSERT_EQ(CLSIDFromProgID(u"Zolmcom.FontFile", &clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, CLSID_FontFile));
}

TEST(ProgIds, UnknownOrCircularProgIdIsRefused) {
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(u"No.Such.ProgId", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(u"", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
  SetDefault(u"Loop.A\\CurVer", u"Loop.B");
  SetDefault(u"Loop.B\\CurVer", u"Loop.A");
  EXPECT_EQ(CLSIDFromProgID(u"Loop.A", &clsid), CO_E_CLASSSTRING);
  SetDefault(u"Broken\\CLSID", u"not a class id");
  EXPECT_EQ(CLSIDFromProgID(u"Broken", &clsid), CO_E_CLASSSTRING);
}

TEST(Activation, CreatesRegisteredObjectAndUnloadsWhenIdle) {
  RegisterFontFile(std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so");
  void* object = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_FontFile, nullptr, CLSCTX_INPROC_SERVER, IID_IFontFile, &object),
            S_OK);
  ASSERT_NE(object, nullptr);
  BSTR directory = nullptr;
  EXPECT_EQ(static_cast<IFontFile*>(object)->GetFontDirectory(&directory), S_OK);
  SysFreeString(directory);
  CoFreeUnusedLibraries();  // the object still holds the library
  EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 0u);
  CoFreeUnusedLibraries();
  ASSERT_EQ(CoCreateInstance(CLSID_FontFile, nullptr, CLSCTX_ALL, IID_IUnknown, &object), S_OK);
  static_cast<IUnknown*>(object)->Release();
}

TEST(Activation, ClassFactoryThroughCoGetClassObject) {
  RegisterFontFile(std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so");
  void* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(CLSID_FontFile, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             &factory),
            S_OK);
  static_cast<IUnknown*>(factory)->Release();
  EXPECT_EQ(CoGetClassObject(CLSID_FontFile, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                             &factory),
            REGDB_E_CLASSNOTREG);
}

TEST(Activation, MissingRegistrationOrServer) {
  void* object = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoCreateInstance(CLSID_PaletteLoader, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IGlobalInterfaceTable, &object),
            REGDB_E_CLASSNOTREG);
  RegisterFontFile("/nonexistent/libzolmcom.so");
  EXPECT_EQ(CoCreateInstance(CLSID_FontFile, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(CoCreateInstance(CLSID_FontFile, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
            E_INVALIDARG);
}

}  // namespace
