// The steps of self-registration below the entry points, against the host
// registry and the built library: the module path replacements (quote
// doubling), a class script from the module's resources, component
// categories without a manager, and finding and registering the type library.
#include "server/registration/selfRegistration.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/host/registryTesting.h"
#include "platform/libloaderapi.h"
#include "platform/oleauto.h"
#include "server/registrar/regObject.h"
#include "tests/loadedModule.h"
#include "tests/server/registryDump.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kLibrary = std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so";
const char kFontFileServer[] =
    "CLSID\\{CB8D375B-53BB-47B0-AF30-9EF7AA144F3D}\\InprocServer32|@|1|";

std::string Narrow(const OLECHAR* text) {
  std::string out;
  for (; *text != 0; ++text) out += static_cast<char>(*text);
  return out;
}

// A copy of the library in a directory of its own (removed afterwards).
class LibraryCopy {
 public:
  explicit LibraryCopy(const std::string& directoryName) {
    directory = fs::temp_directory_path() / ("zolm-" + std::to_string(getpid())) / directoryName;
    fs::create_directories(directory);
    path = (directory / "libzolmcom.so").string();
    fs::copy_file(kLibrary, path, fs::copy_options::overwrite_existing);
  }
  ~LibraryCopy() {
    std::error_code ignored;
    fs::remove_all(directory.parent_path(), ignored);
  }
  fs::path directory;
  std::string path;
};

class SelfRegistration : public ::testing::Test {
 protected:
  void SetUp() override { ZolmRegistryReset(FALSE); }
};

}  // namespace

TEST(DoubleSingleQuotes, DoublesQuotesWithinTheCapacity) {
  OLECHAR out[16];
  DoubleSingleQuotes(out, 16, OLESTR("it's 'x'"));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out)), u"it''s ''x''");
  // A quote on the last free place stays single and the text stays terminated.
  OLECHAR small[5] = {'#', '#', '#', '#', '#'};
  DoubleSingleQuotes(small, 5, OLESTR("abc'd"));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(small)), u"abc'");
  DoubleSingleQuotes(small, 4, OLESTR("ab'"));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(small)), u"ab'");
  OLECHAR untouched = 'u';
  DoubleSingleQuotes(&untouched, 0, OLESTR("x"));
  EXPECT_EQ(untouched, 'u');
}

TEST_F(SelfRegistration, ModulePathWithAQuoteArrivesWithOneQuote) {
  LibraryCopy copy("it's here");
  LoadedModule loaded(copy.path.c_str());
  HMODULE module = loaded.get();
  ASSERT_NE(module, nullptr);
  {
    CRegObject registrar;
    ASSERT_EQ(ApplyModuleScript(registrar, module, 101, nullptr, true), S_OK);
    // "Module" and "Module_Raw" hold the doubled form; the registry gets the path.
    EXPECT_EQ(Narrow(registrar.Replacements().Lookup("module")),
              std::string(copy.path).replace(copy.path.find('\''), 1, "''"));
    EXPECT_EQ(Narrow(registrar.Replacements().Lookup("Module_Raw")),
              Narrow(registrar.Replacements().Lookup("Module")));
  }
  Lines tree = DumpTree(HKEY_CLASSES_ROOT);
  EXPECT_NE(std::find(tree.begin(), tree.end(), kFontFileServer + copy.path), tree.end());
  CRegObject registrar;
  ASSERT_EQ(ApplyModuleScript(registrar, module, 101, nullptr, false), S_OK);
  EXPECT_EQ(DumpTree(HKEY_CLASSES_ROOT), (Lines{"CLSID"}));
  CRegObject byName;
  EXPECT_EQ(ApplyModuleScript(byName, module, 0, "#102", true), S_OK);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "zolmcom.PaletteLoader.1"));
  CRegObject missing;
  EXPECT_EQ(ApplyModuleScript(missing, module, 7, nullptr, true),
            static_cast<HRESULT>(0x80070716));
}

TEST_F(SelfRegistration, CategoriesWithoutAManagerAreNoFailure) {
  static const GUID category = {0x40FC6ED5, 0x2438, 0x11CF, {0xA3, 0xDB, 0x08, 0x00, 0x36, 0xF1, 0x25, 0x02}};
  const CategoryMapEntry map[] = {{1, &category}, {2, &category}, {0, nullptr}};
  const CLSID someClass = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
  const CLSID noClass = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  EXPECT_EQ(UpdateClassCategories(someClass, nullptr, true), S_OK);
  EXPECT_EQ(UpdateClassCategories(noClass, map, true), S_OK);
  EXPECT_EQ(UpdateClassCategories(someClass, map, true), S_OK);
  EXPECT_EQ(UpdateClassCategories(someClass, map, false), S_OK);
  EXPECT_TRUE(DumpTree(HKEY_CLASSES_ROOT).empty());
}

TEST_F(SelfRegistration, TypeLibraryComesFromTheModuleOrATlbBesideIt) {
  BSTR path = reinterpret_cast<BSTR>(0x1);
  ITypeLib* library = reinterpret_cast<ITypeLib*>(0x1);
  EXPECT_EQ(LoadModuleTypeLib(nullptr, nullptr, nullptr, &library), E_POINTER);
  EXPECT_EQ(LoadModuleTypeLib(nullptr, nullptr, &path, nullptr), E_POINTER);

  LibraryCopy copy("typelib");
  LoadedModule loaded(copy.path.c_str());
  HMODULE module = loaded.get();
  ASSERT_NE(module, nullptr);
  ASSERT_EQ(LoadModuleTypeLib(module, nullptr, &path, &library), S_OK);
  EXPECT_EQ(Narrow(path), copy.path);
  library->Release();
  SysFreeString(path);

  // With an index the module itself does not answer; the .tlb beside it does.
  const std::string typeLibrary = ZOLM_BUILD_DIR "/generated/zolmcom.tlb";
  EXPECT_TRUE(FAILED(LoadModuleTypeLib(module, OLESTR("\\2"), &path, &library)));
  EXPECT_EQ(path, nullptr);
  EXPECT_EQ(library, nullptr);
  fs::copy_file(typeLibrary, copy.directory / "libzolmcom.tlb");
  ASSERT_EQ(LoadModuleTypeLib(module, OLESTR("\\2"), &path, &library), S_OK);
  EXPECT_EQ(Narrow(path), (copy.directory / "libzolmcom.tlb").string());
  library->Release();
  SysFreeString(path);
}

TEST_F(SelfRegistration, TypeLibraryIsRegisteredAndRemoved) {
  LoadedModule loaded(kLibrary.c_str());
  HMODULE module = loaded.get();
  ASSERT_NE(module, nullptr);
  ASSERT_EQ(RegisterModuleTypeLib(module, nullptr), S_OK);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{28453262-FCFB-433B-9E37-896CFF19F74E}"));
  EXPECT_EQ(UnregisterModuleTypeLib(module, nullptr), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{28453262-FCFB-433B-9E37-896CFF19F74E}"));
}
