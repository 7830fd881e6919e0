// The machine's installed fonts as Windows lists them in its font table: one
// entry per TrueType or OpenType file, "Full Name (TrueType)" or
// "Full Name (OpenType)" (the faces of a collection joined by " & "), with the
// file's full path. Private to libzolmplatform.so.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zolm_platform {

// Sorted by name; names are unique (the first file of a name wins).
std::vector<std::pair<std::u16string, std::u16string>> installedFontFaces();

}  // namespace zolm_platform
