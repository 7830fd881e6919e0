// The whole registration through the library's entry points, as regsvr32
// would do it: libzolmcom.so registers both classes, their ProgIDs and the
// type library into the host registry and removes them again.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/host/registryTesting.h"
#include "tests/server/registryDump.h"

namespace {

using Lines = std::vector<std::string>;
typedef HRESULT (*EntryPoint)();

const std::string kLibrary = std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so";
const char kTypeLib[] = "{28453262-FCFB-433B-9E37-896CFF19F74E}";

// The tree one class script gives.
Lines ClassTree(const std::string& progId, const std::string& name, const std::string& clsid) {
  const std::string key = "CLSID\\" + clsid;
  return {progId + ".1",
          progId + ".1|@|1|" + name + " Class",
          progId + ".1\\CLSID",
          progId + ".1\\CLSID|@|1|" + clsid,
          progId,
          progId + "|@|1|" + name + " Class",
          progId + "\\CLSID",
          progId + "\\CLSID|@|1|" + clsid,
          progId + "\\CurVer",
          progId + "\\CurVer|@|1|" + progId + ".1",
          key,
          key + "|@|1|" + name + " Class",
          key + "\\ProgID",
          key + "\\ProgID|@|1|" + progId + ".1",
          key + "\\VersionIndependentProgID",
          key + "\\VersionIndependentProgID|@|1|" + progId,
          key + "\\Programmable",
          key + "\\InprocServer32",
          key + "\\InprocServer32|@|1|" + kLibrary,
          key + "\\InprocServer32|ThreadingModel|1|Apartment",
          key + "\\TypeLib",
          key + "\\TypeLib|@|1|" + kTypeLib};
}

Lines ExpectedClasses() {
  Lines lines = ClassTree("Zolmcom.FontFile", "FontFile", "{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}");
  Lines palette =
      ClassTree("zolmcom.PaletteLoader", "PaletteLoader", "{74FCDF8C-45F4-4BAC-BDE0-68453741E8D2}");
  lines.insert(lines.end(), palette.begin(), palette.end());
  lines.push_back("CLSID");
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The classes' lines and the type library's own entries, apart.
void Split(const Lines& tree, Lines& classes, Lines& typeLibrary) {
  for (const std::string& line : tree) {
    bool library = line.rfind("TypeLib", 0) == 0 || line.rfind("Interface", 0) == 0;
    (library ? typeLibrary : classes).push_back(line);
  }
}

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    ZolmRegistryReset(FALSE);
    handle = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    registerServer = reinterpret_cast<EntryPoint>(dlsym(handle, "DllRegisterServer"));
    unregisterServer = reinterpret_cast<EntryPoint>(dlsym(handle, "DllUnregisterServer"));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_NE(unregisterServer, nullptr);
  }
  void TearDown() override {
    if (handle != nullptr) dlclose(handle);
  }

  void* handle = nullptr;
  EntryPoint registerServer = nullptr;
  EntryPoint unregisterServer = nullptr;
};

}  // namespace

TEST_F(Registration, RegisterGivesTheTwoClassTreesAndTheTypeLibrary) {
  ASSERT_EQ(registerServer(), S_OK);
  Lines classes, typeLibrary;
  Split(DumpTree(HKEY_CLASSES_ROOT), classes, typeLibrary);
  EXPECT_EQ(classes, ExpectedClasses());
  EXPECT_NE(std::find(typeLibrary.begin(), typeLibrary.end(), std::string("TypeLib\\") + kTypeLib),
            typeLibrary.end());
}

// The platform's own TypeLib and Interface keys stay, as on Windows, where
// they exist before any library registers; nothing of ours stays below them.
Lines WithoutTypeLibraryRoots(Lines tree) {
  tree.erase(std::remove_if(tree.begin(), tree.end(),
                            [](const std::string& line) {
                              return line == "TypeLib" || line == "Interface";
                            }),
             tree.end());
  return tree;
}

TEST_F(Registration, UnregisterLeavesOnlyTheClsidKey) {
  ASSERT_EQ(registerServer(), S_OK);
  ASSERT_EQ(unregisterServer(), S_OK);
  EXPECT_EQ(WithoutTypeLibraryRoots(DumpTree(HKEY_CLASSES_ROOT)), (Lines{"CLSID"}));
}

TEST_F(Registration, RegisteringTwiceGivesTheSameRegistry) {
  ASSERT_EQ(registerServer(), S_OK);
  Lines first = DumpTree(HKEY_CLASSES_ROOT);
  ASSERT_EQ(registerServer(), S_OK);
  EXPECT_EQ(DumpTree(HKEY_CLASSES_ROOT), first);
}

TEST_F(Registration, ForeignSubkeyGoesWhenRegisteringAndStaysWhenUnregistering) {
  const char foreign[] = "CLSID\\{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}\\AddedByAnotherTool";
  CreateKey(HKEY_CLASSES_ROOT, foreign);
  ASSERT_EQ(registerServer(), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, foreign));
  CreateKey(HKEY_CLASSES_ROOT, foreign);
  ASSERT_EQ(unregisterServer(), S_OK);
  // The class key survives with the foreign subkey and its own value.
  EXPECT_EQ(WithoutTypeLibraryRoots(DumpTree(HKEY_CLASSES_ROOT)),
            (Lines{"CLSID", "CLSID\\{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}",
                   "CLSID\\{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}\\AddedByAnotherTool",
                   "CLSID\\{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}|@|1|FontFile Class"}));
}

TEST_F(Registration, UnregisteringNothingChangesNothing) {
  HRESULT hr = unregisterServer();
  // Both scripts pass; the result is the type library service's answer for
  // a library that is not registered.
  (void)hr;
  EXPECT_TRUE(DumpTree(HKEY_CLASSES_ROOT).empty());
}
