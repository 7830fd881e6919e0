// Text and files for the command: UTF-8 inside, UTF-16 names for the image
// library and the platform, output files opened by UTF-8 name on both sides.
#pragma once

#include <cstdio>
#include <string>

#include "platform/fileapi.h"

using wideString = std::basic_string<WCHAR>;

// UTF-8 to UTF-16 (invalid bytes become U+FFFD).
wideString toWide(const std::string& utf8);
// UTF-16 code units to UTF-8 (a lone surrogate becomes U+FFFD).
template <typename Unit>
std::string toUtf8(const Unit* utf16);
// Opens a file by UTF-8 name with fopen's mode ("wb", "rb").
FILE* openByName(const std::string& utf8, const char* mode);
// Text after the last '.' of the file's own name (not of a directory),
// upper-cased; empty when the name has none.
std::string upperExtension(const std::string& path);
