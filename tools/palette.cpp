// `zolmcom palette FILE [--format text|gpl|jasc|act]`: loads FILE through a
// "zolmcom.PaletteLoader" object, called by name as a script host calls it
// (the object chooses the reader by FILE's extension), and writes its
// colours to standard output in the format asked: "colors N" and one line
// "I R G B" per colour (text, the default), a GIMP or JASC-PAL palette, or
// an Adobe colour table, which is binary and so refused on a terminal.
// Exit 0 when load answers true, 1 when it answers false (stderr names the
// file and lastError in words) or the object cannot be used, 2 for a usage
// error.
#include "tools/commands.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isTerminal(descriptor) _isatty(descriptor)
#else
#include <unistd.h>
#define isTerminal(descriptor) isatty(descriptor)
#endif

#include "tools/comSession.h"
#include "tools/errorText.h"
#include "tools/options.h"
#include "tools/paletteFormats.h"
#include "tools/scriptHost.h"
#include "tools/toolText.h"

namespace {

constexpr int kFormat = 256;

int Fail(const std::string& message) {
  std::fprintf(stderr, "zolmcom palette: %s\n", message.c_str());
  return 1;
}

// A VARIANT holding a whole number, or -1 when it holds none.
LONG WholeNumber(VARIANT* value) {
  VARIANT number;
  VariantInit(&number);
  if (FAILED(VariantChangeType(&number, value, 0, VT_I4))) return -1;
  return number.lVal;
}

VARIANT ByReference(VARIANT* target) {
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_VARIANT | VT_BYREF;
  reference.pvarVal = target;
  return reference;
}

// The file's own name, for the palette formats that carry a name.
std::string OwnName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// All of `bytes` to standard output through the platform's file call, so
// that no line ending is translated on the way.
bool WriteOut(const std::string& bytes) {
  std::fflush(stdout);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(out, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
        written == 0)
      return false;
    done += written;
  }
  return true;
}

}  // namespace

int paletteCommand(const zolmCommand& self, const commandArgs& args) {
  paletteFormat format = paletteFormat::text;
  std::vector<std::string> operands;
  const int stop = readOptions(self, args, {{"format", kFormat}}, [&](int, const std::string& value) -> std::string {
    return paletteFormatByName(value, format) ? "" : "unknown palette format '" + value + "' (text, gpl, jasc, act)";
  }, operands);
  if (stop >= 0) return stop;
  if (operands.size() != 1) return usageError(self, operands.empty() ? "FILE is needed" : "too many arguments");
  const std::string& path = operands[0];
  if (format == paletteFormat::act && isTerminal(1))
    return reportFailure(path, "an Adobe colour table is binary: not written to a terminal (redirect standard output)");

  ComSession session;
  if (FAILED(session.Status())) return Fail(session.Problem());
  ScriptObject loader;
  HRESULT hr = loader.Create(OLESTR("zolmcom.PaletteLoader"));
  if (FAILED(hr)) return Fail(FailureText("creating zolmcom.PaletteLoader", hr));

  const wideString fileName = toWide(path);
  ScopedVariant file;
  file.get()->vt = VT_BSTR;
  file.get()->bstrVal = SysAllocString(fileName.c_str());
  ScopedVariant loaded;
  hr = loader.Call(OLESTR("load"), DISPATCH_METHOD, file.get(), 1, loaded.get());
  if (FAILED(hr)) return Fail(FailureText("load", hr));
  if (loaded.get()->vt != VT_BOOL || loaded.get()->boolVal == VARIANT_FALSE) {
    ScopedVariant lastError;
    hr = loader.Call(OLESTR("lastError"), DISPATCH_PROPERTYGET, nullptr, 0, lastError.get());
    if (FAILED(hr)) return Fail(FailureText("lastError", hr));
    return reportFailure(path, "cannot load: " + lastErrorText(WholeNumber(lastError.get())));
  }

  ScopedVariant colorCount;
  hr = loader.Call(OLESTR("ColorCount"), DISPATCH_PROPERTYGET, nullptr, 0, colorCount.get());
  if (FAILED(hr)) return Fail(FailureText("ColorCount", hr));
  const LONG count = WholeNumber(colorCount.get());
  if (count < 0) return Fail("ColorCount is no count: " + VariantText(colorCount.get()));

  std::vector<paletteColour> colours;
  for (LONG index = 0; index < count; ++index) {
    ScopedVariant red, green, blue, answer;
    VARIANT arguments[4];
    VariantInit(&arguments[0]);
    arguments[0].vt = VT_I4;
    arguments[0].lVal = index;
    arguments[1] = ByReference(red.get());
    arguments[2] = ByReference(green.get());
    arguments[3] = ByReference(blue.get());
    hr = loader.Call(OLESTR("getRGB"), DISPATCH_METHOD, arguments, 4, answer.get());
    if (FAILED(hr)) return Fail(FailureText("getRGB", hr));
    colours.push_back({static_cast<uint8_t>(WholeNumber(red.get())), static_cast<uint8_t>(WholeNumber(green.get())),
                       static_cast<uint8_t>(WholeNumber(blue.get()))});
  }
  if (!WriteOut(formatPalette(colours, format, OwnName(path))))
    return reportFailure("standard output", "cannot write: " + systemErrorText(GetLastError()));
  return 0;
}
