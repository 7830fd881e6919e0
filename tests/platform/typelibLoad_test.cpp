// LoadTypeLib on Linux: from an IDL file, from the "TYPELIB" resource of the
// library's own shared object, and the failures for what is neither.
#include "platform/host/typelibLoad.h"

#include "automation/zolmcomInterfaces.h"
#include "tests/platform/typelibTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
  EXPECT_EQ(LoadTypeLib(u"/nonexistent/zolmcom.idl", &lib), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(lib, nullptr);
  const std::u16string directory = typelibtest::widen(typelibtest::sourceRoot());
  EXPECT_EQ(LoadTypeLib(directory.c_str(), &lib), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(LoadTypeLib(nullptr, &lib), E_INVALIDARG);
  const std::string garbage = "library {";
  EXPECT_EQ(typelib::loadTypeLibFromText(garbage.data(), garbage.size(), &lib),
            TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(lib, nullptr);
}
