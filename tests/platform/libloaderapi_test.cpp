// The host's module and resource access, against the library itself:
// libzolmcom.so carries the registration scripts and the type library.
#include "platform/libloaderapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/fileapi.h"

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

TEST(GetModuleFileNameA, NamesTheModuleAndCutsALongPath) {
  HMODULE module = LoadLibraryExA(kLibrary.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  char path[260];
  DWORD n = GetModuleFileNameA(module, path, sizeof path);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::string(path, n), kLibrary);
  EXPECT_EQ(GetModuleHandleA("libzolmcom.so"), module);

  char small[8];
  EXPECT_EQ(GetModuleFileNameA(module, small, sizeof small), 8u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(small[7], '\0');
  EXPECT_EQ(std::string(small), kLibrary.substr(0, 7));
  EXPECT_TRUE(FreeLibrary(module));

  // A null module is the program.
  n = GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(n, 0u);
  EXPECT_NE(std::strstr(path, "libloaderapi_test"), nullptr);
  EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
}
