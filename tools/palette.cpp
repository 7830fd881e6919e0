// `zolmcom palette FILE`: loads FILE through a "zolmcom.PaletteLoader" object,
// called by name as a script host calls it, and prints "colors N" and one
// line "I R G B" per colour. Exit 0 when load answers true, 1 when it answers
// false (stderr names the file and the lastError value) or the object cannot
// be used, 2 for a usage error.
#include "tools/commands.h"

#include <cstdio>

#include "tools/comSession.h"
#include "tools/scriptHost.h"
#include "tools/toolText.h"

namespace {

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

}  // namespace

int paletteCommand(const commandArgs& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: zolmcom palette FILE\n");
    return 2;
  }
  ComSession session;
  if (FAILED(session.Status())) return Fail(session.Problem());
  ScriptObject loader;
  HRESULT hr = loader.Create(OLESTR("zolmcom.PaletteLoader"));
  if (FAILED(hr)) return Fail(FailureText("creating zolmcom.PaletteLoader", hr));

  const wideString fileName = toWide(args[0]);
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
    return Fail("cannot load " + args[0] + " (lastError " + VariantText(lastError.get()) + ")");
  }

  ScopedVariant colorCount;
  hr = loader.Call(OLESTR("ColorCount"), DISPATCH_PROPERTYGET, nullptr, 0, colorCount.get());
  if (FAILED(hr)) return Fail(FailureText("ColorCount", hr));
  const LONG count = WholeNumber(colorCount.get());
  if (count < 0) return Fail("ColorCount is no count: " + VariantText(colorCount.get()));
  std::printf("colors %ld\n", static_cast<long>(count));

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
    std::printf("%ld %s %s %s\n", static_cast<long>(index), VariantText(red.get()).c_str(),
                VariantText(green.get()).c_str(), VariantText(blue.get()).c_str());
  }
  return 0;
}
