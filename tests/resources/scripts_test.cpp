// The registration scripts are stored byte for byte: carriage return and
// line feed after every line, tabs for indentation, no terminator.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

// resources/ of the source tree.
std::string ResourcesDir() { return std::string(ZOLM_SOURCE_DIR) + "/resources/"; }

std::string ReadScript(const char* name) {
  std::ifstream in(ResourcesDir() + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ExpectStoredForm(const std::string& script) {
  // 26 lines, each ended by CR LF, no bare line feed and no NUL.
  size_t lines = 0;
  for (size_t i = 0; i < script.size(); ++i) {
    ASSERT_NE(script[i], '\0');
    if (script[i] == '\n') {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(script[i - 1], '\r');
      ++lines;
    }
  }
  EXPECT_EQ(lines, 26u);
  EXPECT_EQ(script.substr(script.size() - 3), "}\r\n");
  EXPECT_EQ(script.find(' ' + std::string("\r")), std::string::npos);
}

}  // namespace

TEST(RegistrationScripts, FontFileScriptIs627Bytes) {
  std::string script = ReadScript("FontFile.rgs");
  EXPECT_EQ(script.size(), 627u);
  ExpectStoredForm(script);
  EXPECT_NE(script.find("\t\t\tInprocServer32 = s '%MODULE%'\r\n"), std::string::npos);
  EXPECT_NE(script.find("\t\t\t\tval ThreadingModel = s 'Apartment'\r\n"), std::string::npos);
}

TEST(RegistrationScripts, PaletteLoaderScriptIs667Bytes) {
  std::string script = ReadScript("PaletteLoader.rgs");
  EXPECT_EQ(script.size(), 667u);
  ExpectStoredForm(script);
  EXPECT_NE(script.find("\tzolmcom.PaletteLoader.1 = s 'PaletteLoader Class'\r\n"),
            std::string::npos);
  EXPECT_NE(script.find("ForceRemove {74FCDF8C-45F4-4BAC-BDE0-68453741E8D2} = s "
                        "'PaletteLoader Class'"),
            std::string::npos);
}
