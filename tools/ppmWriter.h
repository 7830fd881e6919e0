// Writes a decoded picture as a binary PPM ("P6", maxval 255), rows from the
// top: 24-bit stores as they are, palette stores through their palette.
#pragma once

#include <cstdint>
#include <string>

class cBitmapFile;

// Writes to the file `path` (UTF-8), or to standard output for "-". 0 on
// success, else the platform's code of the failure; a file that was there
// is then unchanged. The picture's store must hold 8 or 24 bits per pixel.
uint32_t writePpm(const std::string& path, const cBitmapFile& image);
