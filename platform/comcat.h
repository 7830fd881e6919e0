// The component categories manager (ICatRegister): the real platform's on
// Windows; on Linux only its interface and identifiers, since no such
// manager is offered there and creating it fails.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <comcat.h>
#else
#include "platform/host/comcat.h"
#endif
