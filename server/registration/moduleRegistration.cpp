// The module's registration operations: the replacements common to every
// script, applying a class's script from the module's resources, and the walks over the object map and the automatic
// class-entry table that register (script, then categories) or unregister
// (categories, then script) each class before the type library. The first
// failure ends a walk; nothing done before it is undone.
#include "server/comModule.h"

#include "platform/libloaderapi.h"
#include "server/registrar/frameStrings.h"
#include "server/registrar/regObject.h"
#include "server/registration/selfRegistration.h"

namespace {

bool Selected(const ObjectMapEntry* row, const CLSID* classId) {
  return classId == nullptr || IsEqualGUID(*row->clsid, *classId);
}

HRESULT RegisterRow(ObjectMapEntry* row) {
  HRESULT hr = row->updateRegistry != nullptr ? row->updateRegistry(TRUE) : S_OK;
  if (FAILED(hr)) return hr;
  const CategoryMapEntry* categories = row->getCategoryMap ? row->getCategoryMap() : nullptr;
  return UpdateClassCategories(*row->clsid, categories, true);
}

HRESULT UnregisterRow(ObjectMapEntry* row) {
  const CategoryMapEntry* categories = row->getCategoryMap ? row->getCategoryMap() : nullptr;
  HRESULT hr = UpdateClassCategories(*row->clsid, categories, false);
  if (FAILED(hr)) return hr;
  return row->updateRegistry != nullptr ? row->updateRegistry(FALSE) : S_OK;
}

// A new registrar with the caller's pairs first, then the module's common
// ones, so that on a clash the caller's win; then the script itself.
HRESULT ApplyWithReplacements(CComModule& module, UINT resourceId, LPCSTR resourceName,
                              BOOL registering, const RegistryReplacement* extra) {
  return FrameGuard([&]() -> HRESULT {
    CRegObject registrar;
    for (const RegistryReplacement* pair = extra; pair != nullptr && pair->name != nullptr;
         ++pair) {
      registrar.SetReplacement(pair->name, pair->value);
    }
    HRESULT hr = module.AddCommonReplacements(&registrar);
    if (FAILED(hr)) return hr;
    return ApplyModuleScript(registrar, baseModuleRecord.moduleInstance, resourceId,
                             resourceName, registering != FALSE);
  });
}

}  // namespace

HRESULT CComModule::AddCommonReplacements(IRegistrarBase* registrar) {
  return registrar->SetReplacement(OLESTR("APPID"), OLESTR(""));
}

HRESULT CComModule::ApplyRegistryResource(UINT resourceId, BOOL registering,
                                          const RegistryReplacement* extra) {
  return ApplyWithReplacements(*this, resourceId, nullptr, registering, extra);
}

HRESULT CComModule::ApplyRegistryResourceByName(LPCSTR resourceName, BOOL registering,
                                                const RegistryReplacement* extra) {
  if (resourceName == nullptr) return E_OUTOFMEMORY;
  return ApplyWithReplacements(*this, 0, resourceName, registering, extra);
}

HRESULT CComModule::RegisterAll(bool registerTypeLib, const CLSID* classId) {
  return FrameGuard([&]() -> HRESULT {
    for (ObjectMapEntry* row = objectMap; row != nullptr && row->clsid != nullptr; ++row) {
      if (!Selected(row, classId)) continue;
      HRESULT hr = RegisterRow(row);
      if (FAILED(hr)) return hr;
    }
    return ClassRegistry.RegisterClassTable(registerTypeLib, classId);
  });
}

HRESULT CComModule::UnregisterAll(bool registerTypeLib, const CLSID* classId) {
  return FrameGuard([&]() -> HRESULT {
    for (ObjectMapEntry* row = objectMap; row != nullptr && row->clsid != nullptr; ++row) {
      if (!Selected(row, classId)) continue;
      HRESULT hr = UnregisterRow(row);
      if (FAILED(hr)) return hr;
    }
    return ClassRegistry.UnregisterClassTable(registerTypeLib, classId);
  });
}

HRESULT CClassRegistry::RegisterClassTable(bool registerTypeLib, const CLSID* classId) {
  return FrameGuard([&]() -> HRESULT {
    for (ObjectMapEntry* const* entry = firstEntry; entry < lastEntry; ++entry) {
      if (*entry == nullptr || !Selected(*entry, classId)) continue;
      HRESULT hr = RegisterRow(*entry);
      if (FAILED(hr)) return hr;
    }
    if (!registerTypeLib) return S_OK;
    return RegisterModuleTypeLib(typeLibInstance, nullptr);
  });
}

HRESULT CClassRegistry::UnregisterClassTable(bool registerTypeLib, const CLSID* classId) {
  return FrameGuard([&]() -> HRESULT {
    for (ObjectMapEntry* const* entry = firstEntry; entry < lastEntry; ++entry) {
      if (*entry == nullptr || !Selected(*entry, classId)) continue;
      HRESULT hr = UnregisterRow(*entry);
      if (FAILED(hr)) return hr;
    }
    if (!registerTypeLib) return S_OK;
    return UnregisterModuleTypeLib(typeLibInstance, nullptr);
  });
}
