// cBitmapFile::scale: resizing a picture. PLACEHOLDER, NOT YET SCALING: this
// definition only keeps the library linking until the scaling lands; it
// changes nothing and reports failure.
#include "image/bitmapFile.h"

int32_t cBitmapFile::scale(float /*factor*/) { return 0; }
