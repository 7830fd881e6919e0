// Writes a decoded picture as a binary PPM ("P6", maxval 255), rows from the
// top: 24-bit stores as they are, palette stores through their palette.
#pragma once

#include <string>

class cBitmapFile;

// False when the file cannot be created or written. The picture's store
// must hold 8 or 24 bits per pixel.
bool writePpm(const std::string& path, const cBitmapFile& image);
