// Self-registration: the steps that register and unregister the library's
// classes and type library, besides the script application itself. The
// module's own operations (ApplyRegistryResource, RegisterAll, the class
// table walks) are implemented in moduleRegistration.cpp on the module's
// classes; the library calls them from its DllRegisterServer and
// DllUnregisterServer.
#pragma once

#include "platform/oaidl.h"
#include "platform/wintypes.h"
#include "server/comModule.h"

class CRegObject;

// Copies path into dest[capacity] with every single quote doubled, so that
// the text can stand inside a quoted script token. Stops at capacity - 1
// characters; a quote that falls on the last free place stays single. Always
// terminates dest unless capacity is 0.
void DoubleSingleQuotes(OLECHAR* dest, size_t capacity, const OLECHAR* path);

// Applies (registering) or removes the "REGISTRY" script resourceId (or, when
// resourceName is given, the script of that name) of the module file of
// moduleInstance. registrar already holds the caller's and the module's
// common replacements; "Module" and "Module_Raw" (the module's path with its
// single quotes doubled) are added here.
HRESULT ApplyModuleScript(CRegObject& registrar, HINSTANCE moduleInstance, UINT resourceId,
                          LPCSTR resourceName, bool registering);

// Registers or removes the component categories of a class; a missing
// categories manager is no failure.
HRESULT UpdateClassCategories(REFCLSID clsid, const CategoryMapEntry* categoryMap,
                              bool registering);

// Loads the type library of a module file: from the file itself (index, when
// given, appended to its name), else from a ".tlb" file beside it. path
// receives the path that loaded (free it with SysFreeString).
HRESULT LoadModuleTypeLib(HINSTANCE instance, LPCOLESTR index, BSTR* path, ITypeLib** typeLib);
HRESULT RegisterModuleTypeLib(HINSTANCE instance, LPCOLESTR index);
HRESULT UnregisterModuleTypeLib(HINSTANCE instance, LPCOLESTR index);

// The HRESULT of the calling thread's last error (E_FAIL when none is set).
HRESULT HResultFromLastError();
