// Checks a writer makes before it creates or truncates a file: a picture
// that cannot be written whole is refused while the old file still stands.
#pragma once

#include <cstdint>

class cBitmapFile;

// errNone when the image holds a usable pixel store that matches its width,
// height and bytes per pixel (one byte, or three for 24 bits, per pixel);
// errFormat otherwise.
int32_t imgCheckStore(const cBitmapFile& image);

// errNone when the image's palette holds at least `entries` entries (none
// needed when `entries` is 0); errPalette otherwise.
int32_t imgCheckPalette(const cBitmapFile& image, uint32_t entries);
