// The automatic class-entry table: the PaletteLoader row, which the class
// registry holds from the moment the library is loaded (before Init), and the
// table of pointers to it.
#include "automation/paletteLoader.h"
#include "server/classFactory.h"
#include "server/classRows.h"
#include "server/comModule.h"
#include "server/zolmcomInterfaces.h"

namespace {

ObjectMapEntry paletteLoaderEntry = {
    &CLSID_PaletteLoader, &UpdateRegistryFromScript<kPaletteLoaderScript>, &ClassFactoryCreator,
    &InstanceCreator<CPaletteLoader>, nullptr, 0, &NoObjectDescription, &NoCategoryMap,
    &NoObjectMain};

}  // namespace

ObjectMapEntry* const automaticClassEntries[] = {&paletteLoaderEntry};
const size_t automaticClassEntryCount = sizeof(automaticClassEntries) / sizeof(automaticClassEntries[0]);
