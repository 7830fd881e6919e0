// cPcxImg::saveFile. PLACEHOLDER, NOT YET WRITING: the PCX writer replaces
// this file; until then saving reports errWrite and touches no file.
#include "image/pcx/pcxImg.h"

int32_t cPcxImg::saveFile(LPCWSTR /*fileName*/) { return errorCode = errWrite; }
