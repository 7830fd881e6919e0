// Type library registration on Linux: RegisterTypeLib writes the platform's
// keys, LoadRegTypeLib finds the library only while they are there, and
// UnRegisterTypeLib takes them away again (and reports a library that is not
// registered).
#include "platform/oleauto.h"

#include "automation/zolmcomInterfaces.h"
#include "platform/host/registryTesting.h"
#include "platform/winreg.h"
#include "tests/platform/typelibTestSupport.h"
#include "tests/server/registryDump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

const SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
const char* const kSysKindName = sizeof(void*) == 8 ? "win64" : "win32";

// The identifiers as the registry spells them.
std::string libidText() { return "{28453262-FCFB-433B-9E37-896CFF19F74E}"; }
const std::string kFontFileIid = "{6D3D764B-1D52-4B2F-B430-1025768DBD39}";
const std::string kLoaderIid = "{686AEBFD-4FC6-4D39-AAFB-977CB65C157E}";
const std::string kFontFileClsid = "{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}";

// The default (or named) string value of a key below HKEY_CLASSES_ROOT;
// "<missing>" when the key or value is not there.
std::string readValue(const std::string& path, const char* name = nullptr) {
  return ValueText(HKEY_CLASSES_ROOT, path.c_str(), name);
}

bool keyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

class TypelibRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZolmRegistryReset(FALSE);
    lib_ = typelibtest::loadZolmcomLib();
    ASSERT_NE(lib_, nullptr);
    path_ = typelibtest::widen(typelibtest::typelibPath());
  }
  void TearDown() override {
    if (lib_) lib_->Release();
    EXPECT_EQ(ZolmRegistryOpenHandles(), 0u);  // every key opened was closed
    ZolmRegistryReset(FALSE);
  }
  HRESULT registerLib(const char16_t* helpDir = nullptr) {
    return RegisterTypeLib(lib_, &path_[0], const_cast<OLECHAR*>(helpDir));
  }
  ITypeLib* lib_ = nullptr;
  std::u16string path_;
};

}  // namespace

TEST_F(TypelibRegistryTest, LoadRegTypeLibNeedsTheRegistration) {
  ITypeLib* found = reinterpret_cast<ITypeLib*>(1);
  EXPECT_EQ(LoadRegTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0, &found), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(found, nullptr);
  ASSERT_EQ(registerLib(), S_OK);
  ASSERT_EQ(LoadRegTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0, &found), S_OK);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(found->GetTypeInfoOfGuid(IID_IPaletteLoader, &info), S_OK);
  info->Release();
  found->Release();
  // Another locale falls back to the neutral one; another version does not match.
  ASSERT_EQ(LoadRegTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0x0407, &found), S_OK);
  found->Release();
  EXPECT_EQ(LoadRegTypeLib(LIBID_ZOLMCOMLib, 2, 0, 0, &found), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(LoadRegTypeLib(LIBID_ZOLMCOMLib, 1, 1, 0, &found), TYPE_E_LIBNOTREGISTERED);
  ASSERT_EQ(UnRegisterTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0, kSysKind), S_OK);
  EXPECT_EQ(LoadRegTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0, &found), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(found, nullptr);
}

TEST_F(TypelibRegistryTest, RegistrationWritesThePlatformsKeys) {
  ASSERT_EQ(registerLib(u"/opt/help"), S_OK);
  const std::string version = "TypeLib\\" + libidText() + "\\1.0";
  EXPECT_EQ(readValue(version), "zolmcom 1.0 Typbibliothek");
  EXPECT_EQ(readValue(version + "\\0\\" + kSysKindName), typelibtest::typelibPath());
  EXPECT_EQ(readValue(version + "\\FLAGS"), "0");
  EXPECT_EQ(readValue(version + "\\HELPDIR"), "/opt/help");
  for (const std::string& iid : {kFontFileIid, kLoaderIid}) {
    const std::string key = "Interface\\" + iid;
    EXPECT_EQ(readValue(key), iid == kFontFileIid ? "IFontFile" : "IPaletteLoader");
    EXPECT_EQ(readValue(key + "\\ProxyStubClsid"), "{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(readValue(key + "\\ProxyStubClsid32"), "{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(readValue(key + "\\TypeLib"), libidText());
    EXPECT_EQ(readValue(key + "\\TypeLib", "Version"), "1.0");
  }
  // Classes get no Interface key.
  EXPECT_FALSE(keyExists("Interface\\" + kFontFileClsid));
}

TEST_F(TypelibRegistryTest, UnregisteringRemovesEverythingItWrote) {
  ASSERT_EQ(registerLib(), S_OK);
  ASSERT_EQ(registerLib(), S_OK);  // twice gives the same keys
  ASSERT_EQ(UnRegisterTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0, kSysKind), S_OK);
  EXPECT_FALSE(keyExists("TypeLib\\" + libidText()));
  EXPECT_FALSE(keyExists("Interface\\" + kFontFileIid));
  EXPECT_FALSE(keyExists("Interface\\" + kLoaderIid));
  EXPECT_TRUE(keyExists("TypeLib"));  // the platform's own keys stay
  EXPECT_TRUE(keyExists("Interface"));
  // Nothing registered any more: the platform's answer for that.
  EXPECT_EQ(UnRegisterTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0, kSysKind), TYPE_E_REGISTRYACCESS);
}

TEST_F(TypelibRegistryTest, UnregisteringKeepsWhatOthersAdded) {
  ASSERT_EQ(registerLib(), S_OK);
  // Another locale's registration of the same version, and an interface key
  // now owned by another library, survive.
  const std::string version = "TypeLib\\" + libidText() + "\\1.0";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, (version + "\\407\\win32").c_str(), 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  const std::string foreign = "Interface\\" + kFontFileIid + "\\TypeLib";
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, foreign.c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char other[] = "{00000000-1111-2222-3333-444444444444}";
  ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other),
                           sizeof other),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(UnRegisterTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0, kSysKind), S_OK);
  EXPECT_FALSE(keyExists(version + "\\0"));
  EXPECT_TRUE(keyExists(version + "\\407\\win32"));
  EXPECT_TRUE(keyExists(version + "\\FLAGS"));
  EXPECT_TRUE(keyExists(foreign));
  EXPECT_FALSE(keyExists("Interface\\" + kLoaderIid));
}

TEST_F(TypelibRegistryTest, RegisteredPathThatNoLongerHoldsTheLibrary) {
  // The registration names a file that is gone: loading fails, not crashes.
  std::u16string gone = u"/nonexistent/zolmcom.tlb";
  ASSERT_EQ(RegisterTypeLib(lib_, &gone[0], nullptr), S_OK);
  ITypeLib* found = nullptr;
  EXPECT_EQ(LoadRegTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0, &found), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(RegisterTypeLib(nullptr, &gone[0], nullptr), E_INVALIDARG);
  EXPECT_EQ(RegisterTypeLib(lib_, nullptr, nullptr), E_INVALIDARG);
}

TEST_F(TypelibRegistryTest, ManyThreadsLoadAndLookUpAtOnce) {
  ASSERT_EQ(registerLib(), S_OK);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures] {
      for (int round = 0; round < 50; ++round) {
        ITypeLib* lib = nullptr;
        if (FAILED(LoadRegTypeLib(LIBID_ZOLMCOMLib, 1, 0, 0, &lib))) {
          ++failures;
          continue;
        }
        ITypeInfo* info = nullptr;
        if (SUCCEEDED(lib->GetTypeInfoOfGuid(IID_IPaletteLoader, &info))) {
          LPOLESTR name[1] = {const_cast<LPOLESTR>(u"getrgb")};
          MEMBERID id = 0;
          if (FAILED(info->GetIDsOfNames(name, 1, &id)) || id != 4) ++failures;
          info->Release();
        } else {
          ++failures;
        }
        lib->Release();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}
