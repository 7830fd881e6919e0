// A subcommand's options, read with getopt_long as users of netpbm and
// ImageMagick expect: options anywhere among the operands, "--" ends them,
// "-" is an operand (standard input or output), --help and -h print the
// subcommand's usage on stdout.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "tools/commands.h"

struct commandOption {
  const char* name;  // without the leading "--"
  int id;            // handed to the taker
};

// Every option takes one value. Returns -1 when the command should go on,
// with its operands in `operands`; otherwise the exit code: 0 after --help,
// 2 after a usage error (an unknown option, a missing value or a value the
// taker refused), which has been reported with the usage on stderr. The
// taker reports why it refuses a value through usageError's text, by
// returning it; an empty text accepts the value.
int readOptions(const zolmCommand& command, const commandArgs& args, std::initializer_list<commandOption> options,
                const std::function<std::string(int id, const std::string& value)>& take,
                std::vector<std::string>& operands);

// "zolmcom COMMAND: WHY" and the usage on stderr; returns 2.
int usageError(const zolmCommand& command, const std::string& why);
// The usage of one subcommand on stdout; returns 0.
int printCommandHelp(const zolmCommand& command);
