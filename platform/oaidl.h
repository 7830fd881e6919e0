// The platform's type library interfaces and descriptions: ITypeLib,
// ITypeInfo, TYPEATTR, FUNCDESC, ELEMDESC, TLIBATTR and their enumerations.
// The real header on Windows, our own declarations on Linux.
#pragma once

#include "platform/wintypes.h"

#ifdef _WIN32
#include <oaidl.h>
#else
#include "platform/host/oaidl.h"
#endif
