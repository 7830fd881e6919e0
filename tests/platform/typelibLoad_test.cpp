// LoadTypeLib on Linux: from the build's type library file, from the
// "TYPELIB" resource of the library's own shared object, and the failures for
// what is neither.
#include "platform/host/typelibLoad.h"

#include "automation/zolmcomInterfaces.h"
#include "tests/platform/typelibTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>

TEST(TypeLibLoad, FromTheLibrarysOwnResource) {
  const std::string module = std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so";
  struct stat st;
  if (stat(module.c_str(), &st) != 0) GTEST_SKIP() << "libzolmcom.so is not built";
  const std::u16string path = typelibtest::widen(module);
  ITypeLib* lib = nullptr;
  ASSERT_EQ(LoadTypeLib(path.c_str(), &lib), S_OK);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_ZOLMCOMLib));
  lib->ReleaseTLibAttr(attr);
  EXPECT_EQ(lib->GetTypeInfoCount(), 4u);
  EXPECT_EQ(lib->Release(), 0u);
  // A shared object without the resource is no type library.
  const std::u16string platform =
      typelibtest::widen(std::string(ZOLM_BUILD_DIR) + "/platform/libzolmplatform.so");
  EXPECT_EQ(LoadTypeLib(platform.c_str(), &lib), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(lib, nullptr);
}

TEST(TypeLibLoad, MissingOrMalformedFilesFail) {
  ITypeLib* lib = reinterpret_cast<ITypeLib*>(1);
  EXPECT_EQ(LoadTypeLib(u"/nonexistent/zolmcom.tlb", &lib), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(lib, nullptr);
  const std::u16string directory = typelibtest::widen(ZOLM_BUILD_DIR);
  EXPECT_EQ(LoadTypeLib(directory.c_str(), &lib), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(LoadTypeLib(nullptr, &lib), E_INVALIDARG);
  const std::string garbage = "library {";
  EXPECT_EQ(typelib::loadTypeLibFromBytes(garbage.data(), garbage.size(), &lib),
            TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(lib, nullptr);
}

TEST(TypeLibLoad, DamagedLibraryFailsWithoutCrashing) {
  std::ifstream in(typelibtest::typelibPath(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 100u);
  ITypeLib* lib = nullptr;
  ASSERT_EQ(typelib::loadTypeLibFromBytes(bytes.data(), bytes.size(), &lib), S_OK);
  lib->Release();
  // Every shortened copy, and the whole one with a byte too many, is refused.
  for (size_t length = 0; length < bytes.size(); ++length) {
    ASSERT_EQ(typelib::loadTypeLibFromBytes(bytes.data(), length, &lib), TYPE_E_CANTLOADLIBRARY)
        << length;
  }
  const std::string longer = bytes + '\0';
  EXPECT_EQ(typelib::loadTypeLibFromBytes(longer.data(), longer.size(), &lib),
            TYPE_E_CANTLOADLIBRARY);
  // A BSTR parameter marked as handing a value out could not be called
  // through its slot: refused.
  const std::string name("\x08\0F\0o\0n\0t\0N\0a\0m\0e\0", 18);  // "FontName", counted
  const size_t at = bytes.find(name);
  ASSERT_NE(at, std::string::npos);
  std::string outward = bytes;
  outward[at - 2] = PARAMFLAG_FOUT;  // the flags before the name, after the type
  EXPECT_EQ(typelib::loadTypeLibFromBytes(outward.data(), outward.size(), &lib),
            TYPE_E_CANTLOADLIBRARY);
}
