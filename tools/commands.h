// The zolmcom command's subcommands. Each takes its own table entry and
// the arguments that follow its name, as UTF-8, and returns the process's
// exit code: 0 success, 1 a failure it reported on stderr, 2 a usage error.
#pragma once

#include <string>
#include <vector>

using commandArgs = std::vector<std::string>;

struct zolmCommand {
  const char* name;
  const char* usage;    // arguments, shown after the name
  const char* summary;  // one line
  const char* details;  // further lines of COMMAND --help, or ""
  int (*run)(const zolmCommand& self, const commandArgs& args);
};

// One entry per subcommand, each in tools/<name>.cpp.
int topnmCommand(const zolmCommand& self, const commandArgs& args);
int convertCommand(const zolmCommand& self, const commandArgs& args);
int infoCommand(const zolmCommand& self, const commandArgs& args);
int paletteCommand(const zolmCommand& self, const commandArgs& args);
int fontCommand(const zolmCommand& self, const commandArgs& args);
int fontdirCommand(const zolmCommand& self, const commandArgs& args);
