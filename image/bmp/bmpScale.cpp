// cBmpImg::scale: the common scaling, then the info header's dimensions
// brought up to date as their low 16 bits (the writer sets them in full
// before it writes).
#include "image/bmp/bmpImg.h"

int32_t cBmpImg::scale(float factor) {
  if (!cBitmapFile::scale(factor)) return 0;
  infoHeader.biWidth = static_cast<int32_t>(static_cast<uint16_t>(width));
  infoHeader.biHeight = static_cast<int32_t>(static_cast<uint16_t>(height));
  return 1;
}
