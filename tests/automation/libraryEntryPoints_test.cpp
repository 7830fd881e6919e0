// libzolmcom.so as a host loads it: only the entry points are visible, the
// class objects and objects it hands out work through them, and its module is
// its own (the test's linked-in frame is not touched).
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>

#include "automation/zolmcomInterfaces.h"
#include "platform/objbase.h"
#include "platform/oleauto.h"
#include "server/comModule.h"

namespace {

class LoadedLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so";
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject"));
    canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(handle, "DllCanUnloadNow"));
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);
  }
  void TearDown() override {
    if (handle != nullptr) dlclose(handle);
  }

  void* handle = nullptr;
  LPFNGETCLASSOBJECT getClassObject = nullptr;
  LPFNCANUNLOADNOW canUnloadNow = nullptr;
};

TEST_F(LoadedLibrary, InternalsStayHidden) {
  for (const char* name : {"theModule", "currentModule", "ClassRegistry", "libraryId",
                           "moduleObjectMap", "automaticClassEntries", "DllMain"}) {
    EXPECT_EQ(dlsym(handle, name), nullptr) << name;
  }
}

TEST_F(LoadedLibrary, CreatesObjectsThroughEntryPoints) {
  EXPECT_EQ(canUnloadNow(), S_OK);
  void* factory = nullptr;
  ASSERT_EQ(getClassObject(CLSID_PaletteLoader, IID_IClassFactory, &factory), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  void* object = nullptr;
  ASSERT_EQ(static_cast<IClassFactory*>(factory)->CreateInstance(nullptr, IID_IPaletteLoader,
                                                                 &object),
            S_OK);
  static_cast<IClassFactory*>(factory)->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(theModule.GetLockCount(), 0);  // the library's module, not the test's

  VARIANT count;
  VariantInit(&count);
  EXPECT_EQ(static_cast<IPaletteLoader*>(object)->get_ColorCount(&count), S_OK);
  static_cast<IUnknown*>(object)->Release();
  EXPECT_EQ(canUnloadNow(), S_OK);

  void* none = reinterpret_cast<void*>(0x1);
  const CLSID unknown = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(getClassObject(unknown, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
}

}  // namespace
