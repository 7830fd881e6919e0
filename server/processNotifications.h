// What the library does when a process attaches and detaches it: Init with
// the module's object map and the library id, and Term. DllMain calls these on
// Windows; the shared object's load and unload do on the host.
#pragma once

#include "platform/wintypes.h"

void ProcessAttach(HINSTANCE instance);
void ProcessDetach();
