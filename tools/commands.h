// The zolmcom command's subcommands. Each takes the arguments that follow
// its name, as UTF-8, and returns the process's exit code: 0 success, 1 a
// failure it reported on stderr, 2 a usage error.
#pragma once

#include <string>
#include <vector>

using commandArgs = std::vector<std::string>;

struct zolmCommand {
  const char* name;
  const char* usage;  // arguments, shown after the name
  const char* summary;
  int (*run)(const commandArgs& args);
};

// One entry per subcommand, each in tools/<name>.cpp.
int topnmCommand(const commandArgs& args);
int paletteCommand(const commandArgs& args);
int fontCommand(const commandArgs& args);
int fontdirCommand(const commandArgs& args);
int convertCommand(const commandArgs& args);
