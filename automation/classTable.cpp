// This library's class table: the FontFile row of the module's object map
// (with the row that ends the map), and the PaletteLoader row of the automatic
// class-entry table, which the class registry holds from the moment the
// library is loaded (before Init). Each row registers its class through one
// of the library's "REGISTRY" script resources.
#include "automation/fontFile.h"
#include "automation/paletteLoader.h"
#include "automation/zolmcomInterfaces.h"
#include "server/comModule.h"

namespace {

enum : UINT { kFontFileScript = 101, kPaletteLoaderScript = 102 };

ObjectMapEntry paletteLoaderEntry = {
    &CLSID_PaletteLoader, &UpdateRegistryFromScript<kPaletteLoaderScript>, &ClassFactoryCreator,
    &InstanceCreator<CPaletteLoader>, nullptr, 0, &NoObjectDescription, &NoCategoryMap,
    &NoObjectMain};

}  // namespace

ObjectMapEntry moduleObjectMap[] = {
    {&CLSID_FontFile, &UpdateRegistryFromScript<kFontFileScript>, &ClassFactoryCreator,
     &InstanceCreator<CFontFile>, nullptr, 0, &NoObjectDescription, &NoCategoryMap,
     &NoObjectMain},
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr},
};

ObjectMapEntry* const automaticClassEntries[] = {&paletteLoaderEntry};
const size_t automaticClassEntryCount = sizeof(automaticClassEntries) / sizeof(automaticClassEntries[0]);
