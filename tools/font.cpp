// `zolmcom font NAME`: asks a "Zolmcom.FontFile" object, by name through
// IDispatch, for the file of the installed font whose display name begins with
// NAME, and prints it. Exit 0 with the file name, 1 when no font matches or the
// object cannot be used, 2 for a usage error.
#include "tools/commands.h"

#include <cstdio>

#include "tools/comSession.h"
#include "tools/errorText.h"
#include "tools/options.h"
#include "tools/scriptHost.h"
#include "tools/toolText.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "zolmcom font: %s\n", message.c_str());
  return 1;
}

}  // namespace

int fontCommand(const zolmCommand& self, const commandArgs& args) {
  std::vector<std::string> operands;
  const int stop = readOptions(self, args, {}, nullptr, operands);
  if (stop >= 0) return stop;
  if (operands.size() != 1) return usageError(self, operands.empty() ? "NAME is needed" : "too many arguments");
  ComSession session;
  if (FAILED(session.Status())) return Fail(session.Problem());
  ScriptObject fonts;
  HRESULT hr = fonts.Create(OLESTR("Zolmcom.FontFile"));
  if (FAILED(hr)) return Fail(FailureText("creating Zolmcom.FontFile", hr));

  const wideString name = toWide(operands[0]);
  ScopedVariant fontName, fileName, found;
  fontName.get()->vt = VT_BSTR;
  fontName.get()->bstrVal = SysAllocString(name.c_str());
  VARIANT arguments[2];
  arguments[0] = *fontName.get();  // borrowed: fontName keeps ownership
  VariantInit(&arguments[1]);
  arguments[1].vt = VT_VARIANT | VT_BYREF;
  arguments[1].pvarVal = fileName.get();
  hr = fonts.Call(OLESTR("GetFileName"), DISPATCH_METHOD, arguments, 2, found.get());
  if (FAILED(hr)) return Fail(FailureText("GetFileName", hr));
  if (found.get()->vt != VT_BOOL || found.get()->boolVal == VARIANT_FALSE)
    return reportFailure(operands[0], "no installed font's name begins with it (GetFileName answered false)");
  std::printf("%s\n", VariantText(fileName.get()).c_str());
  return 0;
}
