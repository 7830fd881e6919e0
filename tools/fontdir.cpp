// `zolmcom fontdir`: prints the fonts directory that a "Zolmcom.FontFile"
// object's GetFontDirectory answers, called by name through IDispatch. Exit 0,
// 1 when the object cannot be used, 2 for a usage error.
#include "tools/commands.h"

#include <cstdio>

#include "tools/comSession.h"
#include "tools/options.h"
#include "tools/scriptHost.h"

int fontdirCommand(const zolmCommand& self, const commandArgs& args) {
  std::vector<std::string> operands;
  const int stop = readOptions(self, args, {}, nullptr, operands);
  if (stop >= 0) return stop;
  if (!operands.empty()) return usageError(self, "no arguments are taken");
  ComSession session;
  if (FAILED(session.Status())) {
    std::fprintf(stderr, "zolmcom fontdir: %s\n", session.Problem().c_str());
    return 1;
  }
  ScriptObject fonts;
  HRESULT hr = fonts.Create(OLESTR("Zolmcom.FontFile"));
  ScopedVariant directory;
  if (SUCCEEDED(hr))
    hr = fonts.Call(OLESTR("GetFontDirectory"), DISPATCH_METHOD, nullptr, 0, directory.get());
  if (FAILED(hr)) {
    std::fprintf(stderr, "zolmcom fontdir: %s\n", FailureText("GetFontDirectory", hr).c_str());
    return 1;
  }
  std::printf("%s\n", VariantText(directory.get()).c_str());
  return 0;
}
