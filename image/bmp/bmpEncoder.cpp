// cBmpImg::saveFile. PLACEHOLDER, NOT YET WRITING: the BMP writer replaces
// this file; until then saving reports errWrite and touches no file.
#include "image/bmp/bmpImg.h"

int32_t cBmpImg::saveFile(LPCWSTR /*fileName*/) { return errorCode = errWrite; }
