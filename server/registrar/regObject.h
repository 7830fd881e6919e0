// CRegObject: the registrar made for one registration call. It holds the
// table of %NAME% replacements and applies (or removes) a registration script
// that it reads from the resources of a module file. It is not reference
// counted: callers keep it as a local object, and its destructor frees the
// table. No C++ exception leaves its operations.
#pragma once

#include "platform/wintypes.h"
#include "server/registrar/replacements.h"

// IRegistrarBase: the interface through which the module and self-registration
// fill a registrar's table of replacement values before a script is applied.
struct IRegistrarBase : public IUnknown {
  // Adds the pair (name, value); both are UTF-16 text.
  STDMETHOD(SetReplacement)(LPCOLESTR name, LPCOLESTR value) PURE;
  // Frees every pair.
  STDMETHOD(RemoveAllReplacements)() PURE;
};

class CRegObject : public IRegistrarBase {
 public:
  CRegObject() = default;
  virtual ~CRegObject();
  CRegObject(const CRegObject&) = delete;
  CRegObject& operator=(const CRegObject&) = delete;

  // IUnknown: the registrar is nobody's component object.
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // IRegistrarBase
  STDMETHOD(SetReplacement)(LPCOLESTR name, LPCOLESTR value) override;
  STDMETHOD(RemoveAllReplacements)() override;

  // Applying a script resource of the module file moduleFile (UTF-16 path).
  HRESULT RegisterResource(LPCOLESTR moduleFile, UINT resourceId, LPCOLESTR typeName);
  HRESULT UnregisterResource(LPCOLESTR moduleFile, UINT resourceId, LPCOLESTR typeName);
  HRESULT RegisterResourceByName(LPCOLESTR moduleFile, LPCOLESTR resourceName,
                                 LPCOLESTR typeName);
  HRESULT UnregisterResourceByName(LPCOLESTR moduleFile, LPCOLESTR resourceName,
                                   LPCOLESTR typeName);
  // resource and type are 8-bit names or integer resource ids.
  HRESULT ApplyScriptResource(LPCOLESTR moduleFile, LPCSTR resource, LPCSTR type,
                              bool registering);
  // Applies a script given as text (used by the resource path and by tests).
  HRESULT ApplyScriptText(LPCSTR text, bool registering);

  const CReplacementMap& Replacements() const { return replacements; }

 private:
  HRESULT ApplyResourceById(LPCOLESTR moduleFile, UINT resourceId, LPCOLESTR typeName,
                            bool registering);
  HRESULT ApplyResourceByName(LPCOLESTR moduleFile, LPCOLESTR resourceName, LPCOLESTR typeName,
                              bool registering);

  CReplacementMap replacements;
};
