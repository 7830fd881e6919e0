// The module object: the library's one CComModule, `theModule`, reached
// everywhere through `currentModule`. It counts the reasons to stay loaded,
// keeps the cleanup callbacks run at termination (the type-information holders
// register theirs), guards type-information loading with the re-entrant
// moduleLock, and finds class objects through the object map and the automatic
// class-entry table. The other module-wide records (the class registry, the
// base module record, the window-support record) are declared beside it,
// because they are constructed and destroyed together in a fixed order.
#pragma once

#include "platform/objbase.h"
#include "platform/wintypes.h"
#include "server/criticalSection.h"
#include "server/objectMapEntry.h"

struct IRegistrarBase;

// A callback run once when the module terminates, newest first.
struct CleanupNode {
  void (*callback)(DWORD_PTR argument);
  DWORD_PTR argument;
  CleanupNode* next;
};

// One extra replacement handed to a registry script: a name and its value; a
// table of them ends with a pair whose name is null.
struct RegistryReplacement {
  LPCOLESTR name;
  LPCOLESTR value;
};

// The plain fields of the module, in their order.
struct ModuleRecord {
  UINT structSize;  // non-zero while the record (and its lock) is usable
  LONG lockCount;
  CleanupNode* cleanupList;
  CComCriticalSection moduleLock;  // guards cleanupList and type-info loading; re-entrant
  IGlobalInterfaceTable* globalInterfaceTable;
  ObjectMapEntry* objectMap;
};

class CModule : public ModuleRecord {
 public:
  CModule();
  virtual ~CModule();
  CModule(const CModule&) = delete;
  CModule& operator=(const CModule&) = delete;

  // Slots 1 to 4.
  virtual LONG Lock();
  virtual LONG Unlock();
  virtual LONG GetLockCount();
  virtual HRESULT GetGlobalInterfaceTable(IGlobalInterfaceTable** out);

  // Registers `callback(argument)` to run at termination.
  HRESULT AddCleanup(void (*callback)(DWORD_PTR), DWORD_PTR argument);

 protected:
  // Runs the cleanup list, releases the global interface table and deletes
  // moduleLock; does nothing once it has run.
  void TerminateBase();
};

template <class T>
class CModuleT : public CModule {};

class CComModule : public CModuleT<CComModule> {
 public:
  CComModule();
  // Forgets itself as the current module, so that nothing destroyed after it
  // (the automatic table's cached factories) calls into a dead record.
  ~CComModule() override;

  // Slot 5: the replacements every registry script receives.
  virtual HRESULT AddCommonReplacements(IRegistrarBase* registrar);
  // Slots 6 and 7: applying scripts through an outside registrar component is
  // not offered.
  virtual HRESULT ApplyRegistryResourceThroughComponent(UINT resourceId, BOOL registering,
                                                        const RegistryReplacement* extra);
  virtual HRESULT ApplyRegistryResourceByNameThroughComponent(LPCSTR resourceName,
                                                              BOOL registering,
                                                              const RegistryReplacement* extra);
  // Slots 8 and 9: apply or remove the registry script resource of this module.
  virtual HRESULT ApplyRegistryResource(UINT resourceId, BOOL registering,
                                        const RegistryReplacement* extra);
  virtual HRESULT ApplyRegistryResourceByName(LPCSTR resourceName, BOOL registering,
                                              const RegistryReplacement* extra);

  HRESULT Init(ObjectMapEntry* map, HINSTANCE instance, const GUID* library);
  void Term();
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);

  // Self-registration over the object map and then the automatic table;
  // `classId` null means every class.
  HRESULT RegisterAll(bool registerTypeLib, const CLSID* classId);
  HRESULT UnregisterAll(bool registerTypeLib, const CLSID* classId);
};

// The record of the automatic class-entry table and of the lock under which
// cached class factories are made.
class CClassRegistry {
 public:
  CClassRegistry();
  ~CClassRegistry();
  CClassRegistry(const CClassRegistry&) = delete;
  CClassRegistry& operator=(const CClassRegistry&) = delete;

  // The same two walks as the module's, over the automatic table, then the
  // type library.
  HRESULT RegisterClassTable(bool registerTypeLib, const CLSID* classId);
  HRESULT UnregisterClassTable(bool registerTypeLib, const CLSID* classId);

  UINT structSize;
  HINSTANCE typeLibInstance;
  ObjectMapEntry* const* firstEntry;
  ObjectMapEntry* const* lastEntry;  // one past the last pointer
  CComCriticalSection classObjectLock;
};

// The base module record: where the library image is loaded, which serves as
// the instance handle for the library's own file name and resources.
class CModuleBaseRecord {
 public:
  CModuleBaseRecord();
  ~CModuleBaseRecord();
  CModuleBaseRecord(const CModuleBaseRecord&) = delete;
  CModuleBaseRecord& operator=(const CModuleBaseRecord&) = delete;

  UINT structSize;
  HINSTANCE moduleInstance;
  CComCriticalSection lock;
};

// The window-support record. The library registers no window classes; the
// record only keeps its lock and its (empty) count of classes.
class CWindowSupportRecord {
 public:
  CWindowSupportRecord();
  ~CWindowSupportRecord();
  CWindowSupportRecord(const CWindowSupportRecord&) = delete;
  CWindowSupportRecord& operator=(const CWindowSupportRecord&) = delete;

  UINT structSize;
  LONG windowClassCount;
  CComCriticalSection lock;
};

// The module-wide records, constructed in this order and destroyed in the
// reverse one (moduleRecords.cpp).
extern CClassRegistry ClassRegistry;
extern CModuleBaseRecord baseModuleRecord;
extern CWindowSupportRecord windowSupportRecord;
extern CComModule theModule;
extern CComModule* currentModule;
extern GUID libraryId;

// The module's object map (FontFile, then the ending row) and the automatic
// class-entry table (PaletteLoader).
extern ObjectMapEntry moduleObjectMap[];
extern ObjectMapEntry* const automaticClassEntries[];
extern const size_t automaticClassEntryCount;

// The address at which this library's image is loaded.
HINSTANCE ThisModuleImage();

// The class-object creator of every row: makes a cached class factory whose
// instance creator is `context`.
HRESULT ClassFactoryCreator(void* context, REFIID iid, void** out);
