// The size rule of scaling, shared by cBitmapFile::scale and the formats'
// overrides, which must know the new size before they agree to it.
#pragma once

#include <cstdint>

// The new width and height for `factor`: each dimension, taken as an
// unsigned 32-bit number, times the factor in double precision, truncated
// towards zero. False, with the outputs untouched, when the factor is not
// finite, a dimension comes out at 0 or less, or the picture would pass the
// readers' limit on pixels (kImgMaxPixels): such a picture could not be read
// back.
bool imgScaledSize(int32_t width, int32_t height, float factor, int32_t* newWidth,
                   int32_t* newHeight);
