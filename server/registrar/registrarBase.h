// IRegistrarBase: the interface through which the module and self-registration
// fill a registrar's table of replacement values before a script is applied.
#pragma once

#include "platform/wintypes.h"

struct IRegistrarBase : public IUnknown {
  // Adds the pair (name, value); both are UTF-16 text.
  STDMETHOD(SetReplacement)(LPCOLESTR name, LPCOLESTR value) PURE;
  // Frees every pair.
  STDMETHOD(RemoveAllReplacements)() PURE;
};
