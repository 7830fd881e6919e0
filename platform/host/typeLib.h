// The Linux type library objects: HostTypeLib (ITypeLib) serves a
// LibraryModel, and one HostTypeInfo (ITypeInfo) per type describes a coclass
// or the dual interface view of an interface (TKIND_INTERFACE: its own
// functions in slot order, the operation table's size, calls through it).
// They answer what the frame's dispatch and registration ask; the other
// operations give E_NOTIMPL.
// The type informations live inside their library and share its reference
// count, as the platform's do: a held ITypeInfo keeps its library alive.
#pragma once

#include "platform/host/typelibModel.h"

#include <atomic>
#include <memory>
#include <vector>

namespace typelib {

class HostTypeLib;

class HostTypeInfo final : public ITypeInfo {
 public:
  HostTypeInfo(HostTypeLib& library, UINT index) : library_(library), index_(index) {}
  const TypeModel& type() const;

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  // ITypeInfo
  STDMETHOD(GetTypeAttr)(TYPEATTR** ppTypeAttr) override;
  STDMETHOD(GetTypeComp)(ITypeComp** ppTComp) override;
  STDMETHOD(GetFuncDesc)(UINT index, FUNCDESC** ppFuncDesc) override;
  STDMETHOD(GetVarDesc)(UINT index, VARDESC** ppVarDesc) override;
  STDMETHOD(GetNames)(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override;
  STDMETHOD(GetRefTypeOfImplType)(UINT index, HREFTYPE* pRefType) override;
  STDMETHOD(GetImplTypeFlags)(UINT index, INT* pImplTypeFlags) override;
  STDMETHOD(GetIDsOfNames)(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
  STDMETHOD(Invoke)(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                    VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
  STDMETHOD(GetDocumentation)(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                              DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
  STDMETHOD(GetDllEntry)(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName,
                         BSTR* pBstrName, WORD* pwOrdinal) override;
  STDMETHOD(GetRefTypeInfo)(HREFTYPE hRefType, ITypeInfo** ppTInfo) override;
  STDMETHOD(AddressOfMember)(MEMBERID memid, INVOKEKIND invKind, void** ppv) override;
  STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppvObj) override;
  STDMETHOD(GetMops)(MEMBERID memid, BSTR* pBstrMops) override;
  STDMETHOD(GetContainingTypeLib)(ITypeLib** ppTLib, UINT* pIndex) override;
  STDMETHOD_(void, ReleaseTypeAttr)(TYPEATTR* pTypeAttr) override;
  STDMETHOD_(void, ReleaseFuncDesc)(FUNCDESC* pFuncDesc) override;
  STDMETHOD_(void, ReleaseVarDesc)(VARDESC* pVarDesc) override;

 private:
  const FuncModel* findById(MEMBERID memid) const;

  HostTypeLib& library_;
  UINT index_;
};

class HostTypeLib final : public ITypeLib {
 public:
  explicit HostTypeLib(LibraryModel&& model) : model_(std::move(model)) {}
  // Makes the type informations; false when memory runs out.
  bool init() noexcept;
  const LibraryModel& model() const { return model_; }

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  // ITypeLib
  STDMETHOD_(UINT, GetTypeInfoCount)() override;
  STDMETHOD(GetTypeInfo)(UINT index, ITypeInfo** ppTInfo) override;
  STDMETHOD(GetTypeInfoType)(UINT index, TYPEKIND* pTKind) override;
  STDMETHOD(GetTypeInfoOfGuid)(REFGUID guid, ITypeInfo** ppTinfo) override;
  STDMETHOD(GetLibAttr)(TLIBATTR** ppTLibAttr) override;
  STDMETHOD(GetTypeComp)(ITypeComp** ppTComp) override;
  STDMETHOD(GetDocumentation)(INT index, BSTR* pBstrName, BSTR* pBstrDocString,
                              DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
  STDMETHOD(IsName)(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) override;
  STDMETHOD(FindName)(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo,
                      MEMBERID* rgMemId, USHORT* pcFound) override;
  STDMETHOD_(void, ReleaseTLibAttr)(TLIBATTR* pTLibAttr) override;

 private:
  std::atomic<ULONG> refs_{1};
  LibraryModel model_;
  std::vector<std::unique_ptr<HostTypeInfo>> infos_;
};

// A new library object for `model` with one reference, or E_OUTOFMEMORY.
HRESULT createTypeLib(LibraryModel&& model, ITypeLib** out) noexcept;

// Writes name and help string as new BSTRs into whichever of the two is asked
// for; E_OUTOFMEMORY leaves neither allocated.
HRESULT documentStrings(const std::u16string& name, const std::u16string& help, BSTR* pName,
                        BSTR* pHelp) noexcept;

// Converts the arguments of `func` from the caller's DISPPARAMS, calls the
// operation in the function's slot of `instance` and hands back its results.
HRESULT invokeThroughSlot(const FuncModel& func, void* instance, const DISPPARAMS& params,
                          VARIANT* result, UINT* argErr) noexcept;

}  // namespace typelib
