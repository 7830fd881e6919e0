// The module object's own operations: its lock count, the cleanup list, the
// global interface table, Init and Term, and the search for class objects
// through the object map and the automatic class-entry table.
#include "server/comModule.h"

#include <new>

CModule::CModule() {
  structSize = 0;
  lockCount = 0;
  cleanupList = nullptr;
  globalInterfaceTable = nullptr;
  objectMap = nullptr;
  if (SUCCEEDED(moduleLock.Init())) structSize = sizeof(ModuleRecord);
}

CModule::~CModule() { TerminateBase(); }

LONG CModule::Lock() { return InterlockedIncrement(&lockCount); }

LONG CModule::Unlock() { return InterlockedDecrement(&lockCount); }

// Read atomically: other apartments change the count at the same time.
LONG CModule::GetLockCount() { return __atomic_load_n(&lockCount, __ATOMIC_ACQUIRE); }

HRESULT CModule::GetGlobalInterfaceTable(IGlobalInterfaceTable** out) {
  if (out == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  if (globalInterfaceTable == nullptr) {
    void* created = nullptr;
    hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                          IID_IGlobalInterfaceTable, &created);
    if (FAILED(hr)) return hr;
    globalInterfaceTable = static_cast<IGlobalInterfaceTable*>(created);
  }
  *out = globalInterfaceTable;
  globalInterfaceTable->AddRef();
  return hr;
}

HRESULT CModule::AddCleanup(void (*callback)(DWORD_PTR), DWORD_PTR argument) {
  CleanupNode* node = nullptr;
  try {
    node = new (std::nothrow) CleanupNode;
  } catch (...) {
    node = nullptr;
  }
  if (node == nullptr) return E_OUTOFMEMORY;
  node->callback = callback;
  node->argument = argument;
  CriticalSectionLock hold(moduleLock);
  node->next = cleanupList;
  cleanupList = node;
  return S_OK;
}

void CModule::TerminateBase() {
  if (structSize == 0) return;
  while (cleanupList != nullptr) {
    CleanupNode* node = cleanupList;
    cleanupList = node->next;
    if (node->callback != nullptr) node->callback(node->argument);
    delete node;
  }
  if (globalInterfaceTable != nullptr) {
    globalInterfaceTable->Release();
    globalInterfaceTable = nullptr;
  }
  moduleLock.Term();
  structSize = 0;
}

HRESULT CComModule::ApplyRegistryResourceThroughComponent(UINT, BOOL,
                                                          const RegistryReplacement*) {
  return E_FAIL;
}

HRESULT CComModule::ApplyRegistryResourceByNameThroughComponent(LPCSTR, BOOL,
                                                                const RegistryReplacement*) {
  return E_FAIL;
}

HRESULT CComModule::Init(ObjectMapEntry* map, HINSTANCE, const GUID* library) {
  if (library != nullptr) libraryId = *library;
  objectMap = map;
  if (map != nullptr) {
    for (ObjectMapEntry* row = map; row->clsid != nullptr; ++row) row->objectMain(true);
  }
  for (ObjectMapEntry* const* entry = ClassRegistry.firstEntry; entry < ClassRegistry.lastEntry;
       ++entry) {
    if (*entry != nullptr) (*entry)->objectMain(true);
  }
  return S_OK;
}

void CComModule::Term() {
  if (objectMap != nullptr) {
    for (ObjectMapEntry* row = objectMap; row->clsid != nullptr; ++row) {
      if (row->classObject != nullptr) row->classObject->Release();
      row->classObject = nullptr;
      row->objectMain(false);
    }
  }
  for (ObjectMapEntry* const* entry = ClassRegistry.firstEntry; entry < ClassRegistry.lastEntry;
       ++entry) {
    if (*entry != nullptr) (*entry)->objectMain(false);
  }
  TerminateBase();
}

namespace {

bool RowMatches(const ObjectMapEntry& row, REFCLSID clsid) {
  return row.getClassObject != nullptr && IsEqualGUID(*row.clsid, clsid);
}

// Makes the row's class factory on first request (checked again under
// classObjectLock, so two threads make one factory) and queries the cached one
// outside the lock.
HRESULT QueryRowClassObject(ObjectMapEntry& row, REFIID iid, void** out) {
  HRESULT hr = S_OK;
  if (LoadPublished(&row.classObject) == nullptr) {
    CriticalSectionLock hold(ClassRegistry.classObjectLock);
    if (row.classObject == nullptr) {
      void* made = nullptr;
      hr = row.getClassObject(reinterpret_cast<void*>(row.createInstance), IID_IUnknown, &made);
      if (SUCCEEDED(hr)) Publish(&row.classObject, static_cast<IUnknown*>(made));
    }
  }
  IUnknown* factory = LoadPublished(&row.classObject);
  if (factory != nullptr) hr = factory->QueryInterface(iid, out);
  return hr;
}

}  // namespace

HRESULT CComModule::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;

  HRESULT hr = S_OK;
  if (objectMap != nullptr) {
    for (ObjectMapEntry* row = objectMap; row->clsid != nullptr; ++row) {
      if (!RowMatches(*row, clsid)) continue;
      hr = QueryRowClassObject(*row, iid, out);
      break;
    }
  }
  if (*out == nullptr && hr == S_OK) {
    if (ClassRegistry.structSize == 0) return E_UNEXPECTED;
    for (ObjectMapEntry* const* entry = ClassRegistry.firstEntry;
         entry < ClassRegistry.lastEntry; ++entry) {
      if (*entry == nullptr || !RowMatches(**entry, clsid)) continue;
      hr = QueryRowClassObject(**entry, iid, out);
      break;
    }
  }
  if (*out == nullptr && hr == S_OK) return CLASS_E_CLASSNOTAVAILABLE;
  return hr;
}
