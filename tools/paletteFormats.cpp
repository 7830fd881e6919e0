// Palette files in four formats, built as bytes so that they come out the
// same on every platform (JASC-PAL lines end in CR LF as Paint Shop Pro
// writes them, the others in LF).
#include "tools/paletteFormats.h"

#include <cstdio>

namespace {

std::string line(const char* format, int a, int b, int c, int d = 0) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

}  // namespace

bool paletteFormatByName(const std::string& name, paletteFormat& format) {
  if (name == "text") format = paletteFormat::text;
  else if (name == "gpl") format = paletteFormat::gpl;
  else if (name == "jasc") format = paletteFormat::jasc;
  else if (name == "act") format = paletteFormat::act;
  else return false;
  return true;
}

std::string formatPalette(const std::vector<paletteColour>& colours, paletteFormat format, const std::string& title) {
  const int count = static_cast<int>(colours.size());
  std::string out;
  switch (format) {
    case paletteFormat::text:
      out = "colors " + std::to_string(count) + "\n";
      for (int i = 0; i < count; ++i)
        out += line("%d %d %d %d\n", i, colours[i].red, colours[i].green, colours[i].blue);
      break;
    case paletteFormat::gpl:
      // A line break in the name would end the header early.
      out = "GIMP Palette\nName: ";
      for (char c : title) out += (c == '\n' || c == '\r') ? ' ' : c;
      out += "\nColumns: 16\n#\n";
      for (int i = 0; i < count; ++i)
        out += line("%3d %3d %3d\tIndex %d\n", colours[i].red, colours[i].green, colours[i].blue, i);
      break;
    case paletteFormat::jasc:
      out = "JASC-PAL\r\n0100\r\n" + std::to_string(count) + "\r\n";
      for (const paletteColour& colour : colours) out += line("%d %d %d\r\n", colour.red, colour.green, colour.blue);
      break;
    case paletteFormat::act:
      out.assign(768, '\0');
      for (int i = 0; i < count && i < 256; ++i) {
        out[3 * i] = static_cast<char>(colours[i].red);
        out[3 * i + 1] = static_cast<char>(colours[i].green);
        out[3 * i + 2] = static_cast<char>(colours[i].blue);
      }
      break;
  }
  return out;
}
