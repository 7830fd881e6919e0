// The palette files `zolmcom palette` writes: the command's own text (the
// default), a GIMP palette, a JASC-PAL (Paint Shop Pro) palette and an
// Adobe colour table (768 bytes: 256 entries of red, green, blue; entries
// the palette lacks are black, entries beyond 256 are left out).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class paletteFormat { text, gpl, jasc, act };

struct paletteColour {
  uint8_t red, green, blue;
};

// The format for "text", "gpl", "jasc" or "act"; false for any other name.
bool paletteFormatByName(const std::string& name, paletteFormat& format);
// The file's bytes; `title` names the palette where the format has a name.
std::string formatPalette(const std::vector<paletteColour>& colours, paletteFormat format, const std::string& title);
