// Loading and caching of an interface's type information, and the name
// lookups and calls handed to it.
#include "server/typeInfoHolder.h"

#include <new>

#include "server/comModule.h"
#include "server/threading.h"

namespace {

// When the extended type information answers for another object, that
// object's ITypeInfo is the one to keep. Takes over the reference of `info`
// and returns the kept pointer with one reference.
ITypeInfo* PreferExtendedTypeInfo(ITypeInfo* info) {
  void* extended = nullptr;
  if (FAILED(info->QueryInterface(IID_ITypeInfo2, &extended)) || extended == nullptr) return info;
  IUnknown* extendedInfo = static_cast<IUnknown*>(extended);
  void* extendedIdentity = nullptr;
  void* ownIdentity = nullptr;
  extendedInfo->QueryInterface(IID_IUnknown, &extendedIdentity);
  info->QueryInterface(IID_IUnknown, &ownIdentity);
  ITypeInfo* kept = info;
  if (extendedIdentity != nullptr && ownIdentity != nullptr && extendedIdentity != ownIdentity) {
    void* other = nullptr;
    if (SUCCEEDED(extendedInfo->QueryInterface(IID_ITypeInfo, &other)) && other != nullptr) {
      kept = static_cast<ITypeInfo*>(other);
      info->Release();
    }
  }
  if (extendedIdentity != nullptr) static_cast<IUnknown*>(extendedIdentity)->Release();
  if (ownIdentity != nullptr) static_cast<IUnknown*>(ownIdentity)->Release();
  extendedInfo->Release();
  return kept;
}

LONG Utf16Length(const OLECHAR* text) {
  LONG length = 0;
  while (text[length] != 0) ++length;
  return length;
}

}  // namespace

bool CComTypeInfoHolder::IsLoaded() const {
  return LoadPublished(&typeInfo) != nullptr && LoadPublished(&nameCache) != nullptr;
}

HRESULT CComTypeInfoHolder::LoadTypeInfo(LCID lcid) {
  if (IsLoaded()) return S_OK;
  CriticalSectionLock hold(currentModule->moduleLock);
  HRESULT hr = E_FAIL;
  if (typeInfo == nullptr) {
    ITypeLib* library = nullptr;
    hr = LoadRegTypeLib(*libraryId, majorVersion, minorVersion, lcid, &library);
    if (SUCCEEDED(hr)) {
      ITypeInfo* info = nullptr;
      hr = library->GetTypeInfoOfGuid(*interfaceId, &info);
      if (SUCCEEDED(hr) && info != nullptr) {
        Publish(&typeInfo, PreferExtendedTypeInfo(info));
        currentModule->AddCleanup(&CComTypeInfoHolder::ReleaseTypeInfo,
                                  reinterpret_cast<DWORD_PTR>(this));
      }
      library->Release();
    }
  } else {
    hr = S_OK;
  }
  if (typeInfo != nullptr && nameCache == nullptr) hr = BuildNameCache(typeInfo);
  return hr;
}

HRESULT CComTypeInfoHolder::BuildNameCache(ITypeInfo* info) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes)) || attributes == nullptr) return S_OK;
  nameCount = attributes->cFuncs;
  NameCacheEntry* cache = nullptr;
  if (nameCount != 0) {
    try {
      cache = new (std::nothrow) NameCacheEntry[nameCount];
    } catch (...) {
      cache = nullptr;
    }
    if (cache == nullptr) {
      info->ReleaseTypeAttr(attributes);
      return E_OUTOFMEMORY;
    }
    for (LONG i = 0; i < nameCount; ++i) cache[i] = NameCacheEntry{nullptr, 0, -1};
    for (LONG i = 0; i < nameCount; ++i) {
      FUNCDESC* function = nullptr;
      if (FAILED(info->GetFuncDesc(static_cast<UINT>(i), &function)) || function == nullptr)
        continue;
      BSTR name = nullptr;
      if (SUCCEEDED(info->GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr))) {
        cache[i].name = name;
        cache[i].nameLength = static_cast<LONG>(SysStringLen(name));
        cache[i].dispatchId = function->memid;
      }
      info->ReleaseFuncDesc(function);
    }
  }
  Publish(&nameCache, cache);
  info->ReleaseTypeAttr(attributes);
  return S_OK;
}

HRESULT CComTypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
  HRESULT hr = S_OK;
  if (!IsLoaded()) hr = LoadTypeInfo(lcid);
  ITypeInfo* info = LoadPublished(&typeInfo);
  if (info == nullptr) return hr;
  NameCacheEntry* cache = LoadPublished(&nameCache);
  if (cache != nullptr && count == 1 && names != nullptr && names[0] != nullptr && ids != nullptr) {
    const LONG length = Utf16Length(names[0]);
    for (LONG i = nameCount - 1; i >= 0; --i) {
      const NameCacheEntry& entry = cache[i];
      if (entry.nameLength != length || entry.name == nullptr) continue;
      bool same = true;
      for (LONG k = 0; k < length && same; ++k) same = entry.name[k] == names[0][k];
      if (!same) continue;
      ids[0] = entry.dispatchId;
      return S_OK;
    }
  }
  return info->GetIDsOfNames(names, count, ids);
}

HRESULT CComTypeInfoHolder::Invoke(IDispatch* object, DISPID dispatchId, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) {
  HRESULT hr = S_OK;
  if (!IsLoaded()) hr = LoadTypeInfo(lcid);
  ITypeInfo* info = LoadPublished(&typeInfo);
  if (info == nullptr) return hr;
  return info->Invoke(object, dispatchId, flags, params, result, exception, argumentError);
}

HRESULT CComTypeInfoHolder::GetTypeInfo(LCID lcid, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  if (LoadPublished(&typeInfo) == nullptr) hr = LoadTypeInfo(lcid);
  ITypeInfo* loaded = LoadPublished(&typeInfo);
  *info = loaded;
  if (loaded == nullptr) return hr;
  loaded->AddRef();
  return S_OK;
}

void CComTypeInfoHolder::ReleaseTypeInfo(DWORD_PTR argument) {
  CComTypeInfoHolder* holder = reinterpret_cast<CComTypeInfoHolder*>(argument);
  if (holder == nullptr) return;
  if (holder->typeInfo != nullptr) holder->typeInfo->Release();
  holder->typeInfo = nullptr;
  if (holder->nameCache != nullptr) {
    for (LONG i = 0; i < holder->nameCount; ++i) SysFreeString(holder->nameCache[i].name);
    delete[] holder->nameCache;
    holder->nameCache = nullptr;
  }
}
