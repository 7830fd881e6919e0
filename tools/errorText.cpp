// The library's codes in words, the platform's message text for its codes,
// and the one-line failure report.
#include "tools/errorText.h"

#include <cstdio>

#include "image/imageErrors.h"
#include "platform/winbase.h"
#include "tools/toolText.h"

namespace {

struct LibraryError {
  int32_t code;
  const char* name;
  const char* words;
};

const LibraryError kLibraryErrors[] = {
    {errNone, "errNone", "no error"},
    {errRead, "errRead", "cannot read the header or the palette"},
    {errFormat, "errFormat", "not a supported picture"},
    {errPalette, "errPalette", "the palette is missing or not supported"},
    {errMemory, "errMemory", "picture too large for the memory to be had"},
    {errPaletteRead, "errPaletteRead", "cannot read the palette"},
    {errWrite, "errWrite", "cannot write the picture"},
};

const LibraryError* libraryError(int32_t code) {
  for (const LibraryError& entry : kLibraryErrors)
    if (entry.code == code) return &entry;
  return nullptr;
}

// The platform's message for `code` without its closing full stop and line
// break; empty when it has none.
std::string platformMessage(uint32_t code) {
  WCHAR text[512];
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      code, 0, text, sizeof text / sizeof text[0], nullptr);
  if (length == 0) return std::string();
  std::string message = toUtf8(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                              message.back() == '.'))
    message.pop_back();
  return message;
}

}  // namespace

std::string libraryErrorName(int32_t code) {
  const LibraryError* entry = libraryError(code);
  return entry ? entry->name : "error " + std::to_string(code);
}

const char* libraryErrorWords(int32_t code) {
  const LibraryError* entry = libraryError(code);
  return entry ? entry->words : "an unknown failure of the image library";
}

std::string libraryCause(int32_t code, const std::string& detail, uint32_t systemCode) {
  std::string text = libraryErrorWords(code);
  if (!detail.empty()) text += ": " + detail;
  text += " (" + libraryErrorName(code);
  if (systemCode) text += ", system error " + std::to_string(systemCode);
  return text + ")";
}

std::string systemErrorText(uint32_t code) {
  const std::string message = platformMessage(code);
  const std::string number = "system error " + std::to_string(code);
  return message.empty() ? number : message + " (" + number + ")";
}

std::string lastErrorText(int32_t value) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(value));
  if (const LibraryError* entry = libraryError(value)) return std::string(entry->words) + " (" + entry->name + ")";
  // A platform code carried in an HRESULT (facility 7) has the platform's words.
  const uint32_t result = static_cast<uint32_t>(value);
  std::string message = (result & 0xFFFF0000u) == 0x80070000u ? platformMessage(result & 0xFFFF) : platformMessage(result);
  if (message.empty()) message = "failure";
  return message + " (" + hex + ")";
}

int reportFailure(const std::string& file, const std::string& cause) {
  std::fprintf(stderr, "zolmcom: %s: %s\n", file.c_str(), cause.c_str());
  return 1;
}
