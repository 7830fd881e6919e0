// The module-wide records, defined in one place so that they are constructed
// in this order (class registry, base module record, window-support record,
// theModule) and destroyed in the reverse one. On the host, the shared
// object's load and unload stand in for process attach and detach: the last
// record of this file runs them, so Init comes after every record is made and
// Term before any is destroyed. ThisModuleImage, which the records start
// from, is where this library's image is loaded: Windows names it
// __ImageBase; on the host the dynamic loader tells which object holds the
// function.
#include "server/comModule.h"

#ifdef _WIN32
extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE ThisModuleImage() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
#else
#include <dlfcn.h>

HINSTANCE ThisModuleImage() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ThisModuleImage), &info) == 0) return nullptr;
  return static_cast<HINSTANCE>(info.dli_fbase);
}
#endif

CClassRegistry::CClassRegistry()
    : structSize(0),
      typeLibInstance(ThisModuleImage()),
      firstEntry(automaticClassEntries),
      lastEntry(automaticClassEntries + automaticClassEntryCount) {
  if (SUCCEEDED(classObjectLock.Init())) structSize = sizeof(CClassRegistry);
}

// The automatic table's cached factories outlive Term and go here.
CClassRegistry::~CClassRegistry() {
  if (structSize == 0) return;
  for (ObjectMapEntry* const* entry = firstEntry; entry < lastEntry; ++entry) {
    if (*entry == nullptr) continue;
    if ((*entry)->classObject != nullptr) (*entry)->classObject->Release();
    (*entry)->classObject = nullptr;
  }
  classObjectLock.Term();
  structSize = 0;
}

CModuleBaseRecord::CModuleBaseRecord() : structSize(0), moduleInstance(ThisModuleImage()) {
  if (SUCCEEDED(lock.Init())) structSize = sizeof(CModuleBaseRecord);
}

CModuleBaseRecord::~CModuleBaseRecord() {
  if (structSize == 0) return;
  lock.Term();
  structSize = 0;
}

CWindowSupportRecord::CWindowSupportRecord() : structSize(0), windowClassCount(0) {
  if (SUCCEEDED(lock.Init())) structSize = sizeof(CWindowSupportRecord);
}

// No window classes were registered, so there are none to unregister.
CWindowSupportRecord::~CWindowSupportRecord() {
  if (structSize == 0) return;
  lock.Term();
  structSize = 0;
}

CComModule::CComModule() { currentModule = this; }

CComModule::~CComModule() {
  if (currentModule == this) currentModule = nullptr;
}

CComModule* currentModule = nullptr;
GUID libraryId = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

CClassRegistry ClassRegistry;
CModuleBaseRecord baseModuleRecord;
CWindowSupportRecord windowSupportRecord;
CComModule theModule;

#ifndef _WIN32
namespace {

struct HostProcessNotifications {
  HostProcessNotifications() { ProcessAttach(baseModuleRecord.moduleInstance); }
  ~HostProcessNotifications() { ProcessDetach(); }
};

HostProcessNotifications hostProcessNotifications;

}  // namespace
#endif
