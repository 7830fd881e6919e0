// The host's module and resource access, against the library itself
// (libzolmcom.so carries the registration scripts and the type library) and
// a module whose start-up code leaves a mark: a file mapped as data yields
// its resources without running any of its code.
#include "platform/libloaderapi.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/fileapi.h"
#include "tests/loadedModule.h"

namespace {

// resources/ of the source tree.
std::string ResourcesDir() { return std::string(ZOLM_SOURCE_DIR) + "/resources/"; }

const std::string kLibrary = std::string(ZOLM_BUILD_DIR) + "/libzolmcom.so";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ResourceText(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(module, name, type);
  if (found == nullptr) return "<missing>";
  HGLOBAL loaded = LoadResource(module, found);
  const char* bytes = static_cast<const char*>(LockResource(loaded));
  return std::string(bytes, SizeofResource(module, found));
}

}  // namespace

TEST(LoadLibraryExA, MapsTheLibraryAndFindsItsScripts) {
  HMODULE module = LoadLibraryExA(kLibrary.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  std::string resources = ResourcesDir();
  EXPECT_EQ(ResourceText(module, MAKEINTRESOURCEA(101), "REGISTRY"),
            ReadFile(resources + "FontFile.rgs"));
  EXPECT_EQ(ResourceText(module, "#102", "registry"), ReadFile(resources + "PaletteLoader.rgs"));
  EXPECT_NE(ResourceText(module, MAKEINTRESOURCEA(1), "TYPELIB"), "<missing>");
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(FindResourceA, TellsAMissingNameFromAMissingType) {
  HMODULE module = LoadLibraryExA(kLibrary.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(103), "REGISTRY"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(101), "REGISTRYX"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  // The program itself carries no resources.
  EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(101), "REGISTRY"), nullptr);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(LoadLibraryExA, MissingFileGivesFileNotFound) {
  EXPECT_EQ(LoadLibraryExA("/nonexistent/libnothing.so", nullptr, LOAD_LIBRARY_AS_DATAFILE),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(0x1000)));
}

TEST(LoadLibraryExA, DataFilesAreReadWithoutRunningTheirCode) {
  unsetenv("ZOLM_STARTUP_MARK");
  HMODULE data = LoadLibraryExA(ZOLM_STARTUP_MARKER, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(ResourceText(data, MAKEINTRESOURCEA(7), "marker"),
            ReadFile(ResourcesDir() + "../tests/platform/startupMarker.cpp"));
  EXPECT_EQ(getenv("ZOLM_STARTUP_MARK"), nullptr);
  // Not a loaded module: the loader does not know it, nor its file name.
  EXPECT_EQ(dlopen(ZOLM_STARTUP_MARKER, RTLD_NOW | RTLD_NOLOAD), nullptr);
  char path[260];
  EXPECT_EQ(GetModuleFileNameA(data, path, sizeof path), 0u);
  EXPECT_TRUE(FreeLibrary(data));
  EXPECT_FALSE(FreeLibrary(data));
  // Loading it for its code does run it.
  void* loaded = dlopen(ZOLM_STARTUP_MARKER, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(loaded, nullptr);
  EXPECT_STREQ(getenv("ZOLM_STARTUP_MARK"), "ran");
  dlclose(loaded);
}

TEST(LoadLibraryExA, DataFilesThatAreNoObjectsAreRefused) {
  const std::string dir = std::string(ZOLM_BUILD_DIR) + "/tests/";
  const std::string library = ReadFile(kLibrary);
  ASSERT_GT(library.size(), 4096u);
  auto tryLoading = [&](const std::string& name, const std::string& bytes) {
    const std::string path = dir + name;
    std::ofstream(path, std::ios::binary) << bytes;
    SetLastError(0);
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const DWORD error = GetLastError();
    if (module) FreeLibrary(module);
    std::remove(path.c_str());
    return module ? 0 : error;
  };
  EXPECT_EQ(tryLoading("text.so", "REGISTRY { }"), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  EXPECT_EQ(tryLoading("empty.so", ""), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  EXPECT_EQ(tryLoading("head.so", library.substr(0, 64)), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  // A resource block whose size runs past its section.
  std::string forged = library;
  const size_t block = forged.find("ZOLMRSRC");
  ASSERT_NE(block, std::string::npos);
  forged[block + 11] = '\x7f';
  EXPECT_EQ(tryLoading("forged.so", forged), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  EXPECT_EQ(tryLoading("whole.so", library), 0u);

  // An object without resources maps; asking it for one says so.
  HMODULE program = LoadLibraryExA("/proc/self/exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(FindResourceA(program, MAKEINTRESOURCEA(101), "REGISTRY"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(program));
}

TEST(GetModuleFileNameA, NamesTheModuleAndCutsALongPath) {
  LoadedModule loaded(kLibrary);
  HMODULE module = loaded.get();
  ASSERT_NE(module, nullptr);
  char path[260];
  DWORD n = GetModuleFileNameA(module, path, sizeof path);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::string(path, n), kLibrary);

  char small[8];
  EXPECT_EQ(GetModuleFileNameA(module, small, sizeof small), 8u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(small[7], '\0');
  EXPECT_EQ(std::string(small), kLibrary.substr(0, 7));

  // A null module is the program.
  n = GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(n, 0u);
  EXPECT_NE(std::strstr(path, "libloaderapi_test"), nullptr);
  EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
}
