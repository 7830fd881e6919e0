// The component categories of a class, registered and removed through the
// platform's component categories manager. Where the manager is missing
// (always on Linux) categories are skipped without failure. After removing a
// class's categories, the then empty "Implemented Categories" and "Required
// Categories" keys of its class key are removed as well.
#include "server/registration/selfRegistration.h"

#include "platform/comcat.h"
#include "platform/objbase.h"
#include "platform/winreg.h"
#include "server/registrar/frameStrings.h"
#include "server/registrar/textConversion.h"

namespace {

// Releases the manager on every way out.
class CCategoryManager {
 public:
  CCategoryManager() = default;
  ~CCategoryManager() {
    if (manager != nullptr) manager->Release();
  }
  CCategoryManager(const CCategoryManager&) = delete;
  CCategoryManager& operator=(const CCategoryManager&) = delete;
  ICatRegister* manager = nullptr;
};

// Removes HKCR\CLSID\{class}<suffix> when it exists and has no subkeys.
void RemoveEmptyCategoryKey(const char* classText, const char* suffix) {
  char keyName[128];
  FrameCopyTextOrThrow(keyName, sizeof keyName, "CLSID\\");
  FrameAppendTextOrThrow(keyName, sizeof keyName, classText);
  FrameAppendTextOrThrow(keyName, sizeof keyName, suffix);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD subkeys = 0;
  LONG queried = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (queried == ERROR_SUCCESS && subkeys == 0) RegDeleteKeyA(HKEY_CLASSES_ROOT, keyName);
}

}  // namespace

HRESULT UpdateClassCategories(REFCLSID clsid, const CategoryMapEntry* categoryMap,
                              bool registering) {
  static const GUID kNoClass = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  if (categoryMap == nullptr || IsEqualGUID(clsid, kNoClass)) return S_OK;
  CCategoryManager holder;
  HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICatRegister, reinterpret_cast<void**>(&holder.manager));
  if (FAILED(hr) || holder.manager == nullptr) return S_OK;
  ICatRegister* manager = holder.manager;

  for (const CategoryMapEntry* row = categoryMap; row->kind != 0; ++row) {
    CATID category = *row->categoryId;
    if (registering) {
      hr = row->kind == 1 ? manager->RegisterClassImplCategories(clsid, 1, &category)
                          : manager->RegisterClassReqCategories(clsid, 1, &category);
      if (FAILED(hr)) return hr;
    } else if (row->kind == 1) {
      manager->UnRegisterClassImplCategories(clsid, 1, &category);
    } else {
      manager->UnRegisterClassReqCategories(clsid, 1, &category);
    }
  }

  if (!registering) {
    OLECHAR classText[64];
    if (StringFromGUID2(clsid, classText, 64) > 0) {
      CUtf16ToText text(classText);
      if (text.get() != nullptr) {
        RemoveEmptyCategoryKey(text.get(), "\\Required Categories");
        RemoveEmptyCategoryKey(text.get(), "\\Implemented Categories");
      }
    }
  }
  return S_OK;
}
