// The zolmcom command's script-host subcommands, run as a user runs them:
// build/<preset>/zolmcom registers libzolmcom.so beside it, creates the
// objects by ProgID and calls them by name through IDispatch.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>
#include <string>

#include "tests/server/twoColourPicture.h"

namespace {

struct CommandRun {
  int exitCode;
  std::string output;
};

// Runs the command with `arguments` (already quoted for the shell).
CommandRun Zolmcom(const std::string& arguments, bool withErrors = false) {
  const std::string command = std::string("'") + ZOLM_BUILD_DIR + "/zolmcom' " + arguments +
                              (withErrors ? " 2>&1" : " 2>/dev/null");
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string output;
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(PaletteCommand, PrintsEveryColour) {
  const std::string file = picture_test::WriteTwoColourBmp("two.bmp");
  const CommandRun run = Zolmcom("palette '" + file + "'");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "colors 2\n0 48 32 16\n1 253 254 255\n");
}

// Each palette file read back by a parser of its own format: the GIMP
// palette's "R G B<tab>name" lines after "#", JASC-PAL's header, count and
// "R G B" lines, the Adobe table's 768 bytes (black beyond the palette).
TEST(PaletteCommand, WritesGimpJascAndAdobePalettes) {
  const std::string file = picture_test::WriteTwoColourBmp("formats.bmp");
  const std::vector<std::array<int, 3>> expected{{48, 32, 16}, {253, 254, 255}};

  std::istringstream gpl(Zolmcom("palette '" + file + "' --format gpl").output);
  std::string line;
  ASSERT_TRUE(std::getline(gpl, line));
  EXPECT_EQ(line, "GIMP Palette");
  while (std::getline(gpl, line) && line != "#") EXPECT_NE(line.find(':'), std::string::npos) << line;
  std::vector<std::array<int, 3>> colours;
  std::array<int, 3> c;
  while (gpl >> c[0] >> c[1] >> c[2]) {
    colours.push_back(c);
    std::getline(gpl, line);  // the colour's name
  }
  EXPECT_EQ(colours, expected);

  const std::string jascText = Zolmcom("palette --format=jasc '" + file + "'").output;
  EXPECT_EQ(jascText.rfind("JASC-PAL\r\n0100\r\n2\r\n", 0), 0u);
  std::istringstream jasc(jascText.substr(jascText.find("2\r\n") + 3));
  colours.clear();
  while (jasc >> c[0] >> c[1] >> c[2]) colours.push_back(c);
  EXPECT_EQ(colours, expected);

  const std::string act = Zolmcom("palette '" + file + "' --format act").output;
  ASSERT_EQ(act.size(), 768u);
  for (size_t i = 0; i < 256; ++i)
    for (size_t k = 0; k < 3; ++k)
      EXPECT_EQ(static_cast<uint8_t>(act[3 * i + k]), i < 2 ? expected[i][k] : 0) << i;

  // On a terminal (script(1) gives the command one) the binary table is refused.
  if (std::system("command -v script >/dev/null 2>&1") != 0) return;
  const std::string command = "script -qec \"'" + std::string(ZOLM_BUILD_DIR) + "/zolmcom' palette '" + file +
                              "' --format act\" /dev/null 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  CommandRun terminal{-1, ""};
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) terminal.output.append(buffer, got);
  const int status = pclose(pipe);
  terminal.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  EXPECT_NE(terminal.output.find("not written to a terminal"), std::string::npos) << terminal.output;
  EXPECT_EQ(terminal.exitCode, 1);
}

TEST(PaletteCommand, FailedLoadNamesFileAndLastError) {
  const CommandRun run = Zolmcom("palette /nonexistent/zolmcom/missing.bmp", true);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("/nonexistent/zolmcom/missing.bmp"), std::string::npos);
  // lastError in the platform's words, with its value.
  EXPECT_NE(run.output.find("cannot load: No such file or directory (0x80070002)"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("colors"), std::string::npos);
}

TEST(PaletteCommand, UsageErrors) {
  EXPECT_EQ(Zolmcom("palette").exitCode, 2);
  EXPECT_EQ(Zolmcom("palette a.bmp b.bmp").exitCode, 2);
}

TEST(FontCommands, FontDirectoryAndFontFile) {
  const CommandRun directory = Zolmcom("fontdir");
  EXPECT_EQ(directory.exitCode, 0);
  EXPECT_GT(directory.output.size(), 1u);
  EXPECT_EQ(Zolmcom("fontdir extra").exitCode, 2);

  // fonts-dejavu-core is installed by scripts/setup.
  const CommandRun font = Zolmcom("font 'DejaVu Sans'");
  EXPECT_EQ(font.exitCode, 0);
  EXPECT_NE(font.output.find("DejaVu"), std::string::npos);
  EXPECT_EQ(Zolmcom("font 'No Such Font Family Anywhere'").exitCode, 1);
  EXPECT_EQ(Zolmcom("font").exitCode, 2);
}

}  // namespace
