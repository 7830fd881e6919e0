// zolmcom: the command-line host of the library. main only picks the
// subcommand from the table below and hands it the remaining arguments as
// UTF-8; each subcommand lives in its own file (tools/<name>.cpp).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/toolText.h"

namespace {

const zolmCommand commands[] = {
    {"topnm", "FILE OUT", "write the picture in a BMP or PCX file (.bmp, .pcx, .ico) as a PPM file",
     topnmCommand},
    {"palette", "FILE", "print the palette of a BMP or PCX file through the PaletteLoader object",
     paletteCommand},
    {"font", "NAME", "print the file of the installed font whose name begins with NAME",
     fontCommand},
    {"fontdir", "", "print the fonts directory", fontdirCommand},
    {"convert", "IN OUT [--scale F]",
     "read IN, scale it by F when asked, and save it as OUT in the format of IN", convertCommand},
};

int usage() {
  std::fprintf(stderr, "usage: zolmcom COMMAND [ARGUMENTS]\ncommands:\n");
  for (const zolmCommand& command : commands)
    std::fprintf(stderr, "  %s %s\n      %s\n", command.name, command.usage, command.summary);
  return 2;
}

int dispatch(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return usage();
  for (const zolmCommand& command : commands) {
    if (arguments[0] != command.name) continue;
    return command.run(commandArgs(arguments.begin() + 1, arguments.end()));
  }
  std::fprintf(stderr, "zolmcom: unknown command '%s'\n", arguments[0].c_str());
  return usage();
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(toUtf8(argv[i]));
  return dispatch(arguments);
}
#else
int main(int argc, char** argv) {
  return dispatch(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
