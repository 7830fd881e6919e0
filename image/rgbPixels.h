// The picture an image file object holds, as red, green, blue bytes per
// pixel, rows from the top: palette pictures are looked up in the object's
// palette (an index without an entry comes out black), 24-bit pictures are
// taken as they are. Used to show or compare what a reader produced.
#pragma once

#include <cstdint>
#include <vector>

class cBitmapFile;

// False when the object holds no usable pixel store; rgb is then empty.
bool imgRgbPixels(const cBitmapFile& image, std::vector<uint8_t>& rgb);
