// zolmcom's interfaces IFontFile and IPaletteLoader and the identifiers
// LIBID_ZOLMCOMLib, CLSID_FontFile, CLSID_PaletteLoader, IID_IFontFile and
// IID_IPaletteLoader. They are generated at build time from
// resources/zolmcom.idl, the same definitions the type library is made of, so
// the operation tables cannot drift from the slots dispatch calls.
#pragma once

#include "zolmcomInterfaces.generated.h"
