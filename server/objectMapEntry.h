// The rows of the object map: one per creatable class, with its class id, its
// registration hook, its class-object and instance creators and the cached
// class factory. The module's own map ends with a row whose clsid is null; the
// automatic class-entry table is an array of pointers to rows.
#pragma once

#include "platform/wintypes.h"

// Every creator has this shape; `context` is the outer unknown for instance
// creators and the instance creator for the class-object creator.
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

// The neutral hooks shared by both classes of this library.
inline const OLECHAR* NoObjectDescription() { return nullptr; }
inline const CategoryMapEntry* NoCategoryMap() { return nullptr; }
inline void NoObjectMain(bool) {}
