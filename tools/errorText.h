// Failures in words: every message the command prints for a failure is one
// line on stderr naming the program, the file, the cause in words and the
// code in brackets, e.g.
//   zolmcom: photo.bmp: cannot open: No such file or directory (system error 2)
// The library's codes have their words here, in one table; the platform's
// codes take the platform's own message text.
#pragma once

#include <cstdint>
#include <string>

// "errFormat" for errFormat; "error N" for a code the library does not use.
std::string libraryErrorName(int32_t code);
// The library code in words ("not a supported picture").
const char* libraryErrorWords(int32_t code);
// "WORDS: DETAIL (errX)", or with a platform code "(errX, system error N)";
// no detail, no colon.
std::string libraryCause(int32_t code, const std::string& detail, uint32_t systemCode = 0);
// "No such file or directory (system error 2)": the platform's text for
// its code, and the code; "system error N" alone where it has no text.
std::string systemErrorText(uint32_t code);
// The palette loader's lastError: a library code in words with its name,
// an HRESULT in words with its value ("No such file or directory
// (0x80070002)").
std::string lastErrorText(int32_t value);
// Prints "zolmcom: FILE: CAUSE" on stderr; returns 1, the failure exit code.
int reportFailure(const std::string& file, const std::string& cause);
