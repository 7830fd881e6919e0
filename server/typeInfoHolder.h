// CComTypeInfoHolder: the one module-wide keeper of an interface's type
// information. On first use it loads the interface's description from the
// registered type library (under moduleLock, tested before and again inside
// the lock) and caches the member names, so that the common case of looking
// up one member name needs no call into the type information. Dispatch by id
// is handed to the type information, which calls the object's operation at
// the slot the id names.
#pragma once

#include "platform/oleauto.h"
#include "platform/wintypes.h"

struct NameCacheEntry {
  BSTR name;         // owned; null when not filled
  LONG nameLength;   // UTF-16 units of name; 0 when not filled
  DISPID dispatchId; // -1 when not filled
};

class CComTypeInfoHolder {
 public:
  constexpr CComTypeInfoHolder(const GUID* iid, const GUID* library, WORD major, WORD minor)
      : interfaceId(iid),
        libraryId(library),
        majorVersion(major),
        minorVersion(minor),
        typeInfo(nullptr),
        nameCache(nullptr),
        nameCount(0) {}

  HRESULT GetTypeInfo(LCID lcid, ITypeInfo** info);
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* ids);
  HRESULT Invoke(IDispatch* object, DISPID dispatchId, LCID lcid, WORD flags,
                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT* argumentError);

  HRESULT LoadTypeInfo(LCID lcid);
  HRESULT BuildNameCache(ITypeInfo* info);
  // The cleanup callback registered with the module when the type
  // information is loaded; `holder` is the CComTypeInfoHolder.
  static void ReleaseTypeInfo(DWORD_PTR holder);

  const GUID* interfaceId;
  const GUID* libraryId;
  WORD majorVersion;
  WORD minorVersion;
  ITypeInfo* typeInfo;
  NameCacheEntry* nameCache;
  LONG nameCount;

 private:
  bool IsLoaded() const;
};
