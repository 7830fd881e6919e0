// Spooling standard input into a temporary file: the platform's temporary
// folder on Windows (GetTempPathW, GetTempFileNameW), $TMPDIR or /tmp on
// Linux (mkstemp); the bytes are copied with the platform's file calls.
#include "tools/standardInput.h"

#include "platform/fileapi.h"
#include "tools/toolText.h"

#ifndef _WIN32
#include <cstdlib>
#include <unistd.h>
#endif

namespace {

// Creates an empty temporary file and gives its name; 0 or the code.
uint32_t createTemporary(std::string& name) {
#ifdef _WIN32
  WCHAR folder[MAX_PATH + 1];
  WCHAR file[MAX_PATH + 1];
  if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"zol", 0, file)) return GetLastError();
  name = toUtf8(file);
  return 0;
#else
  const char* folder = std::getenv("TMPDIR");
  std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/zolmcom-stdin-XXXXXX";
  const int descriptor = mkstemp(&pattern[0]);
  if (descriptor < 0) return ERROR_PATH_NOT_FOUND;
  close(descriptor);
  name = pattern;
  return 0;
#endif
}

}  // namespace

standardInputFile::~standardInputFile() {
  if (!name.empty()) DeleteFileW(toWide(name).c_str());
}

uint32_t standardInputFile::spool() {
  std::string made;
  if (const uint32_t code = createTemporary(made)) return code;
  name = made;
  HANDLE out = CreateFileW(toWide(name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (out == INVALID_HANDLE_VALUE) return GetLastError();
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  static char buffer[1 << 16];
  uint32_t failure = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr)) {
      // A pipe whose writer has gone is the end of the input.
      if (GetLastError() != ERROR_BROKEN_PIPE) failure = GetLastError();
      break;
    }
    if (got == 0) break;
    DWORD written = 0;
    if (!WriteFile(out, buffer, got, &written, nullptr)) {
      failure = GetLastError();
      break;
    }
    if (written != got) {
      failure = ERROR_WRITE_FAULT;
      break;
    }
  }
  CloseHandle(out);
  return failure;
}
