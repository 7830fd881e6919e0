// Initialisation of the frame's critical sections.
#include "server/criticalSection.h"

HRESULT CComCriticalSection::Init() {
  if (!InitializeCriticalSectionAndSpinCount(&section, 0)) return E_OUTOFMEMORY;
  return S_OK;
}
