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
  const uint16_t xMax = static_cast<uint16_t>(static_cast<uint16_t>(width) - 1);
  const uint16_t yMax = static_cast<uint16_t>(static_cast<uint16_t>(height) - 1);
  header[4] = header[5] = header[6] = header[7] = 0;  // xMin, yMin
  header[8] = static_cast<uint8_t>(xMax);
  header[9] = static_cast<uint8_t>(xMax >> 8);
  header[10] = static_cast<uint8_t>(yMax);
  header[11] = static_cast<uint8_t>(yMax >> 8);
  return 1;
}
