// Placeholders for the module's registry operations (slots 5, 8 and 9),
// which self-registration replaces together with this file. Until then they
// report that applying registry scripts is not available.
#include "server/comModule.h"

HRESULT CComModule::AddCommonReplacements(IRegistrarBase*) { return E_NOTIMPL; }

HRESULT CComModule::ApplyRegistryResource(UINT, BOOL, const RegistryReplacement*) {
  return E_NOTIMPL;
}

HRESULT CComModule::ApplyRegistryResourceByName(LPCSTR, BOOL, const RegistryReplacement*) {
  return E_NOTIMPL;
}
