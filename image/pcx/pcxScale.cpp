// cPcxImg::scale: the common scaling, then the header's window set to the
// new size. The window holds 16-bit coordinates, so a picture scaled past
// 65536 pixels in either direction is refused and stays as it was.
#include "image/pcx/pcxImg.h"

#include "image/scale.h"

int32_t cPcxImg::scale(float factor) {
  int32_t newWidth = 0, newHeight = 0;
  if (!imgScaledSize(width, height, factor, &newWidth, &newHeight)) return 0;
  if (newWidth > 65536 || newHeight > 65536) return 0;
  if (!cBitmapFile::scale(factor)) return 0;
  header.setWindow(width, height);
  return 1;
}
