// Text and file names for the command: UTF-8 inside, UTF-16 names for the
// image library and the platform. The conversions are the platform's own
// (MultiByteToWideChar, WideCharToMultiByte), so that a name reaches the
// file calls exactly as the platform would pass it: on Linux bytes that
// are not UTF-8 survive the round trip (see platform/host/utf.h).
#pragma once

#include <string>

#include "platform/fileapi.h"

using wideString = std::basic_string<WCHAR>;

// UTF-8 to UTF-16.
wideString toWide(const std::string& utf8);
// UTF-16 code units to UTF-8.
std::string toUtf8(const WCHAR* utf16);
// Text after the last '.' of the file's own name (not of a directory),
// upper-cased; empty when the name has none.
std::string upperExtension(const std::string& path);
