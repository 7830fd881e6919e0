// Option reading for the subcommands over getopt_long (glibc on Linux, the
// toolchain's static copy on Windows).
#include "tools/options.h"

#include <getopt.h>

#include <cstdio>

int usageError(const zolmCommand& command, const std::string& why) {
  std::fprintf(stderr, "zolmcom %s: %s\nusage: zolmcom %s %s\n", command.name, why.c_str(), command.name,
               command.usage);
  return 2;
}

int printCommandHelp(const zolmCommand& command) {
  std::printf("usage: zolmcom %s %s\n  %s\n%s", command.name, command.usage, command.summary, command.details);
  return 0;
}

int readOptions(const zolmCommand& command, const commandArgs& args, std::initializer_list<commandOption> options,
                const std::function<std::string(int id, const std::string& value)>& take,
                std::vector<std::string>& operands) {
  constexpr int kHelp = 'h';
  std::vector<option> table;
  for (const commandOption& entry : options) table.push_back({entry.name, required_argument, nullptr, entry.id});
  table.push_back({"help", no_argument, nullptr, kHelp});
  table.push_back({nullptr, 0, nullptr, 0});

  std::string program = std::string("zolmcom ") + command.name;
  std::vector<char*> argv{&program[0]};
  std::vector<std::string> copies(args);
  for (std::string& argument : copies) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  const int argc = static_cast<int>(argv.size()) - 1;

  opterr = 0;  // the messages below name the option in the command's words
  optind = 0;  // a fresh scan
  for (;;) {
    const int id = getopt_long(argc, argv.data(), ":h", table.data(), nullptr);
    if (id == -1) break;
    const std::string current = optind - 1 < argc ? argv[optind - 1] : "";
    if (id == kHelp) return printCommandHelp(command);
    if (id == ':') return usageError(command, "option '" + current + "' needs a value");
    if (id == '?') {
      const std::string unknown = optopt ? std::string("-") + static_cast<char>(optopt) : current;
      return usageError(command, "unknown option '" + unknown + "'");
    }
    const std::string refusal = take(id, optarg ? optarg : "");
    if (!refusal.empty()) return usageError(command, refusal);
  }
  for (int i = optind; i < argc; ++i) operands.push_back(argv[i]);
  return -1;
}
