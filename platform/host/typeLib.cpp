// HostTypeLib: the ITypeLib of the Linux type library service. It owns the
// library's description and one type information per type; all of them share
// this object's reference count.
#include "platform/host/typeLib.h"

#include "platform/oleauto.h"

#include <new>

namespace typelib {

HRESULT documentStrings(const std::u16string& name, const std::u16string& help, BSTR* pName,
                        BSTR* pHelp) noexcept {
  BSTR nameCopy = nullptr;
  if (pName) {
    nameCopy = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    if (!nameCopy) return E_OUTOFMEMORY;
  }
  if (pHelp) {
    // A missing help string is no string at all, as the platform answers.
    BSTR helpCopy = nullptr;
    if (!help.empty()) {
      helpCopy = SysAllocStringLen(help.data(), static_cast<UINT>(help.size()));
      if (!helpCopy) {
        SysFreeString(nameCopy);
        return E_OUTOFMEMORY;
      }
    }
    *pHelp = helpCopy;
  }
  if (pName) *pName = nameCopy;
  return S_OK;
}

bool HostTypeLib::init() noexcept {
  try {
    infos_.reserve(model_.types.size());
    for (size_t i = 0; i < model_.types.size(); ++i) {
      infos_.push_back(std::make_unique<HostTypeInfo>(*this, static_cast<UINT>(i)));
    }
    return true;
  } catch (...) {
    return false;
  }
}

HRESULT createTypeLib(LibraryModel&& model, ITypeLib** out) noexcept {
  *out = nullptr;
  auto* lib = new (std::nothrow) HostTypeLib(std::move(model));
  if (!lib) return E_OUTOFMEMORY;
  if (!lib->init()) {
    lib->Release();
    return E_OUTOFMEMORY;
  }
  *out = lib;
  return S_OK;
}

// IUnknown

HRESULT HostTypeLib::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_ITypeLib)) return E_NOINTERFACE;
  AddRef();
  *ppvObject = static_cast<ITypeLib*>(this);
  return S_OK;
}

ULONG HostTypeLib::AddRef() { return ++refs_; }

ULONG HostTypeLib::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

// ITypeLib

UINT HostTypeLib::GetTypeInfoCount() { return static_cast<UINT>(infos_.size()); }

HRESULT HostTypeLib::GetTypeInfo(UINT index, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_INVALIDARG;
  *ppTInfo = nullptr;
  if (index >= infos_.size()) return TYPE_E_ELEMENTNOTFOUND;
  AddRef();
  *ppTInfo = infos_[index].get();
  return S_OK;
}

HRESULT HostTypeLib::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) {
  if (!ppTinfo) return E_INVALIDARG;
  *ppTinfo = nullptr;
  for (size_t i = 0; i < model_.types.size(); ++i) {
    if (IsEqualGUID(model_.types[i].guid, guid)) return GetTypeInfo(static_cast<UINT>(i), ppTinfo);
  }
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT HostTypeLib::GetLibAttr(TLIBATTR** ppTLibAttr) {
  if (!ppTLibAttr) return E_INVALIDARG;
  *ppTLibAttr = nullptr;
  auto* attr = new (std::nothrow) TLIBATTR();
  if (!attr) return E_OUTOFMEMORY;
  attr->guid = model_.guid;
  attr->lcid = model_.lcid;
  attr->syskind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  attr->wMajorVerNum = model_.majorVersion;
  attr->wMinorVerNum = model_.minorVersion;
  attr->wLibFlags = model_.flags;
  *ppTLibAttr = attr;
  return S_OK;
}

void HostTypeLib::ReleaseTLibAttr(TLIBATTR* pTLibAttr) { delete pTLibAttr; }

HRESULT HostTypeLib::GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString,
                                      DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
  const std::u16string* name = &model_.name;
  const std::u16string* help = &model_.help;
  if (index != -1) {
    if (index < 0 || static_cast<size_t>(index) >= model_.types.size())
      return TYPE_E_ELEMENTNOTFOUND;
    name = &model_.types[index].name;
    help = &model_.types[index].help;
  }
  HRESULT hr = documentStrings(*name, *help, pBstrName, pBstrDocString);
  if (FAILED(hr)) return hr;
  // The library names no help file and no help contexts.
  if (pdwHelpContext) *pdwHelpContext = 0;
  if (pBstrHelpFile) *pBstrHelpFile = nullptr;
  return S_OK;
}

// Asked neither by the frame nor by registration: not served.

HRESULT HostTypeLib::GetTypeInfoType(UINT, TYPEKIND*) { return E_NOTIMPL; }

HRESULT HostTypeLib::GetTypeComp(ITypeComp** ppTComp) {
  if (ppTComp) *ppTComp = nullptr;
  return E_NOTIMPL;
}

HRESULT HostTypeLib::IsName(LPOLESTR, ULONG, BOOL* pfName) {
  if (pfName) *pfName = FALSE;
  return E_NOTIMPL;
}

HRESULT HostTypeLib::FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT* pcFound) {
  if (pcFound) *pcFound = 0;
  return E_NOTIMPL;
}

}  // namespace typelib
