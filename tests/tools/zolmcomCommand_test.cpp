// The zolmcom command's script-host subcommands, run as a user runs them:
// build/<preset>/zolmcom registers libzolmcom.so beside it, creates the
// objects by ProgID and calls them by name through IDispatch.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
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

TEST(PaletteCommand, FailedLoadNamesFileAndLastError) {
  const CommandRun run = Zolmcom("palette /nonexistent/zolmcom/missing.bmp", true);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("/nonexistent/zolmcom/missing.bmp"), std::string::npos);
  EXPECT_NE(run.output.find("lastError"), std::string::npos);
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
