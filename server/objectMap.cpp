// The module's object map: the FontFile row and the row that ends the map.
// Init attaches it to theModule.
#include "automation/fontFile.h"
#include "server/classFactory.h"
#include "server/classRows.h"
#include "server/comModule.h"
#include "server/zolmcomInterfaces.h"

ObjectMapEntry moduleObjectMap[] = {
    {&CLSID_FontFile, &UpdateRegistryFromScript<kFontFileScript>, &ClassFactoryCreator,
     &InstanceCreator<CFontFile>, nullptr, 0, &NoObjectDescription, &NoCategoryMap,
     &NoObjectMain},
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr},
};
