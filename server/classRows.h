// What the two rows of the class lists share: the numbers of their registry
// script resources and the registration hook that applies a script.
#pragma once

#include "server/comModule.h"
#include "server/instanceCreators.h"

enum : UINT { kFontFileScript = 101, kPaletteLoaderScript = 102 };

// A row's updateRegistry: applies (or removes) the class's registry script
// with no extra replacements.
template <UINT scriptResource>
HRESULT UpdateRegistryFromScript(BOOL registering) {
  return theModule.ApplyRegistryResource(scriptResource, registering, nullptr);
}
