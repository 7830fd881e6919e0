// The module object: the library's one CComModule, `theModule`, reached
// everywhere through `currentModule`. It counts the reasons to stay loaded,
// keeps the cleanup callbacks run at termination (the type-information holders
// register theirs), guards type-information loading with the re-entrant
// moduleLock, and finds class objects through the rows of the object map and
// of the automatic class-entry table. The other module-wide records (the class
// registry, the base module record, the window-support record) are declared
// beside it, because they are constructed and destroyed together in a fixed
// order. The library that uses the frame supplies its class table (the two
// lists of rows) and its process notifications; the frame supplies the rest.
#pragma once

#include "platform/objbase.h"
#include "platform/wintypes.h"
#include "server/threading.h"

// The rows of the object map: one per creatable class, with its class id, its
// registration hook, its class-object and instance creators and the cached
// class factory. The module's own map ends with a row whose clsid is null; the
// automatic class-entry table is an array of pointers to rows. Every creator
// has this shape; `context` is the outer unknown for instance creators and the
// instance creator for the class-object creator.
typedef HRESULT (*CreatorFunction)(void* context, REFIID iid, void** out);

// A component category of a class: kind 1 implemented, any other non-zero
// kind required, 0 ends the table.
struct CategoryMapEntry {
  LONG kind;
  const GUID* categoryId;
};

struct ObjectMapEntry {
  const CLSID* clsid;
  HRESULT (*updateRegistry)(BOOL registering);
  CreatorFunction getClassObject;
  CreatorFunction createInstance;
  IUnknown* classObject;
  DWORD registrationCookie;
  const OLECHAR* (*getObjectDescription)();
  const CategoryMapEntry* (*getCategoryMap)();
  void (*objectMain)(bool starting);
};

// The neutral hooks of a row that has no description, categories or start
// and stop work.
inline const OLECHAR* NoObjectDescription() { return nullptr; }
inline const CategoryMapEntry* NoCategoryMap() { return nullptr; }
inline void NoObjectMain(bool) {}

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

// The library's class table, which it defines: the module's object map (its
// rows, then the ending row, attached by Init) and the automatic class-entry
// table, which the class registry holds from the moment the library is
// loaded.
extern ObjectMapEntry moduleObjectMap[];
extern ObjectMapEntry* const automaticClassEntries[];
extern const size_t automaticClassEntryCount;

// The library's process notifications, which it defines (Init with its object
// map and library id, and Term). DllMain calls them on Windows; on the host
// the shared object's load and unload do (moduleRecords.cpp).
void ProcessAttach(HINSTANCE instance);
void ProcessDetach();

// The address at which this library's image is loaded.
HINSTANCE ThisModuleImage();

// The class-object creator of every row: makes a cached class factory whose
// instance creator is `context`.
HRESULT ClassFactoryCreator(void* context, REFIID iid, void** out);

// A row's updateRegistry: applies (or removes) the class's registry script
// resource with no extra replacements.
template <UINT scriptResource>
HRESULT UpdateRegistryFromScript(BOOL registering) {
  return theModule.ApplyRegistryResource(scriptResource, registering, nullptr);
}
