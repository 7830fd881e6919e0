// zolmcom: the command-line host of the library. main answers -h, --help,
// help and --version itself, picks the subcommand from the table below and
// hands it the remaining arguments as UTF-8; each subcommand lives in its
// own file (tools/<name>.cpp).
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/options.h"
#include "tools/toolText.h"

namespace {

const zolmCommand commands[] = {
    {"topnm", "FILE [OUT]", "write the picture in a BMP or PCX file as a binary PPM (P6)",
     "  FILE or OUT '-' is standard input or output; without OUT the PPM goes to standard output.\n",
     topnmCommand},
    {"convert", "IN OUT [--scale F]", "read IN, scale it by F when asked, and save it as OUT",
     "  OUT's extension chooses the format: .bmp for BMP, .pcx or .ico for PCX. IN '-' is standard\n"
     "  input. A picture OUT's format cannot hold (24 bits as PCX) is refused before OUT is touched.\n",
     convertCommand},
    {"info", "FILE", "print the format, size, depth, planes, compression and colours of a picture",
     "  One 'name: value' line each; BMP files also give their header size. FILE '-' is standard input.\n",
     infoCommand},
    {"palette", "FILE [--format text|gpl|jasc|act]", "print the palette of a BMP or PCX file through the PaletteLoader object",
     "  text: 'colors N', then 'I R G B' per colour (the default); gpl: a GIMP palette; jasc: a\n"
     "  JASC-PAL (Paint Shop Pro) palette; act: an Adobe colour table, 768 bytes (not to a terminal).\n"
     "  The object chooses the reader by FILE's extension: .pcx and .ico PCX, .bmp BMP.\n",
     paletteCommand},
    {"font", "NAME", "print the file of the installed font whose name begins with NAME", "", fontCommand},
    {"fontdir", "", "print the fonts directory", "", fontdirCommand},
};

void printUsage(FILE* to) {
  std::fprintf(to,
               "usage: zolmcom COMMAND [ARGUMENTS]\n"
               "       zolmcom COMMAND --help | zolmcom --help | zolmcom --version\n"
               "commands:\n");
  for (const zolmCommand& command : commands)
    std::fprintf(to, "  %s %s\n      %s\n", command.name, command.usage, command.summary);
}

int dispatch(const std::vector<std::string>& arguments) {
  if (arguments.empty()) {
    printUsage(stderr);
    return 2;
  }
  const std::string& first = arguments[0];
  if (first == "-h" || first == "--help" || first == "help") {
    if (first == "help" && arguments.size() > 1)
      for (const zolmCommand& command : commands)
        if (arguments[1] == command.name) return printCommandHelp(command);
    printUsage(stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("zolmcom %s\n", ZOLMCOM_VERSION);
    return 0;
  }
  for (const zolmCommand& command : commands)
    if (first == command.name) return command.run(command, commandArgs(arguments.begin() + 1, arguments.end()));
  if (!first.empty() && first[0] == '-')
    std::fprintf(stderr, "zolmcom: unknown option '%s'\n", first.c_str());
  else
    std::fprintf(stderr, "zolmcom: unknown command '%s'\n", first.c_str());
  printUsage(stderr);
  return 2;
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
  // Past the file size limit a write then fails with "File too large", and
  // the save removes its temporary file and says so, instead of the command
  // being killed with the temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  return dispatch(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
