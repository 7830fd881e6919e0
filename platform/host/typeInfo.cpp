// HostTypeInfo: the ITypeInfo of the Linux type library service. It describes
// one type of its library: a coclass with the interfaces it implements, or
// the interface view of a dual interface, whose functions carry their
// dispatch ids, invoke kinds, parameters and operation-table offsets. Name
// lookups ignore case; Invoke (typeInfoInvoke.cpp) calls through the slot.
#include "platform/host/typeLib.h"

#include "platform/host/utf.h"
#include "platform/oleauto.h"

#include <new>

namespace typelib {

namespace {

// One allocation per FUNCDESC handed out: the description, its parameters'
// element descriptions and the types their pointers point to.
struct FuncDescBlock {
  FUNCDESC desc;
  ELEMDESC params[kMaxParams];
  TYPEDESC pointees[kMaxParams];
};

void describeParam(const ParamModel& param, ELEMDESC& elem, TYPEDESC& pointee) {
  elem = ELEMDESC();
  pointee = TYPEDESC();
  elem.paramdesc.wParamFlags = param.flags;
  switch (param.type) {
    case ParamType::Bstr:
      elem.tdesc.vt = VT_BSTR;
      return;
    case ParamType::BstrPointer:
      pointee.vt = VT_BSTR;
      break;
    case ParamType::VariantPointer:
      pointee.vt = VT_VARIANT;
      break;
    case ParamType::BoolPointer:
      pointee.vt = VT_BOOL;
      break;
  }
  elem.tdesc.vt = VT_PTR;
  elem.tdesc.lptdesc = &pointee;
}

}  // namespace

const TypeModel& HostTypeInfo::type() const { return library_.model().types[index_]; }

const FuncModel* HostTypeInfo::findById(MEMBERID memid) const {
  for (const FuncModel& f : type().funcs) {
    if (f.id == memid) return &f;
  }
  return nullptr;
}

// IUnknown: the type information lives and dies with its library.

HRESULT HostTypeInfo::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_ITypeInfo)) return E_NOINTERFACE;
  AddRef();
  *ppvObject = static_cast<ITypeInfo*>(this);
  return S_OK;
}

ULONG HostTypeInfo::AddRef() { return library_.AddRef(); }

ULONG HostTypeInfo::Release() { return library_.Release(); }

// ITypeInfo

HRESULT HostTypeInfo::GetTypeAttr(TYPEATTR** ppTypeAttr) {
  if (!ppTypeAttr) return E_INVALIDARG;
  *ppTypeAttr = nullptr;
  auto* attr = new (std::nothrow) TYPEATTR();
  if (!attr) return E_OUTOFMEMORY;
  const TypeModel& t = type();
  attr->guid = t.guid;
  attr->lcid = library_.model().lcid;
  attr->memidConstructor = MEMBERID_NIL;
  attr->memidDestructor = MEMBERID_NIL;
  attr->cbSizeInstance = sizeof(void*);
  attr->typekind = t.kind;
  attr->cFuncs = static_cast<WORD>(t.funcs.size());
  attr->cImplTypes = static_cast<WORD>(t.impls.size());
  // The whole operation table: IDispatch's seven slots and the own ones.
  if (t.kind == TKIND_INTERFACE)
    attr->cbSizeVft = static_cast<WORD>((kFirstDualSlot + t.funcs.size()) * sizeof(void*));
  attr->cbAlignment = sizeof(void*);
  attr->wTypeFlags = t.flags;
  attr->tdescAlias.vt = VT_EMPTY;
  *ppTypeAttr = attr;
  return S_OK;
}

void HostTypeInfo::ReleaseTypeAttr(TYPEATTR* pTypeAttr) { delete pTypeAttr; }

HRESULT HostTypeInfo::GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) {
  if (!ppFuncDesc) return E_INVALIDARG;
  *ppFuncDesc = nullptr;
  const TypeModel& t = type();
  if (index >= t.funcs.size()) return TYPE_E_ELEMENTNOTFOUND;
  const FuncModel& f = t.funcs[index];
  auto* block = new (std::nothrow) FuncDescBlock();
  if (!block) return E_OUTOFMEMORY;
  FUNCDESC& d = block->desc;
  d.memid = f.id;
  d.lprgscode = nullptr;
  d.lprgelemdescParam = f.params.empty() ? nullptr : block->params;
  d.funckind = FUNC_PUREVIRTUAL;
  d.invkind = f.kind;
  d.callconv = CC_STDCALL;
  d.cParams = static_cast<SHORT>(f.params.size());
  d.cParamsOpt = 0;
  d.oVft = static_cast<SHORT>(f.slot * static_cast<int>(sizeof(void*)));
  d.cScodes = 0;
  d.elemdescFunc.tdesc.vt = VT_HRESULT;
  d.wFuncFlags = 0;
  for (size_t i = 0; i < f.params.size(); ++i) {
    describeParam(f.params[i], block->params[i], block->pointees[i]);
  }
  *ppFuncDesc = &block->desc;
  return S_OK;
}

void HostTypeInfo::ReleaseFuncDesc(FUNCDESC* pFuncDesc) {
  // The description is the first member of its block.
  delete reinterpret_cast<FuncDescBlock*>(pFuncDesc);
}

HRESULT HostTypeInfo::GetVarDesc(UINT, VARDESC** ppVarDesc) {
  if (ppVarDesc) *ppVarDesc = nullptr;
  return TYPE_E_ELEMENTNOTFOUND;  // the library's types have no variables
}

void HostTypeInfo::ReleaseVarDesc(VARDESC*) {}

HRESULT HostTypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) {
  if (!rgszNames || !pMemId || cNames == 0) return E_INVALIDARG;
  for (UINT i = 0; i < cNames; ++i) pMemId[i] = MEMBERID_NIL;
  if (!rgszNames[0]) return DISP_E_UNKNOWNNAME;
  const FuncModel* found = nullptr;
  for (const FuncModel& f : type().funcs) {
    if (zolm_platform::sameNameIgnoringCase(f.name, rgszNames[0])) {
      found = &f;
      break;
    }
  }
  if (!found) return DISP_E_UNKNOWNNAME;
  pMemId[0] = found->id;
  // Parameter names answer their positions in the parameter list.
  HRESULT hr = S_OK;
  for (UINT i = 1; i < cNames; ++i) {
    for (size_t k = 0; rgszNames[i] && k < found->params.size(); ++k) {
      if (zolm_platform::sameNameIgnoringCase(found->params[k].name, rgszNames[i])) {
        pMemId[i] = static_cast<MEMBERID>(k);
        break;
      }
    }
    if (pMemId[i] == MEMBERID_NIL) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT HostTypeInfo::Invoke(void* pvInstance, MEMBERID memid, WORD wFlags,
                             DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO*,
                             UINT* puArgErr) {
  if (!pvInstance || !pDispParams) return E_INVALIDARG;
  // A property read may come as DISPATCH_METHOD | DISPATCH_PROPERTYGET, the
  // way script hosts call a name that may be either.
  for (const FuncModel& f : type().funcs) {
    if (f.id != memid) continue;
    const bool asMethod = f.kind == INVOKE_FUNC && (wFlags & DISPATCH_METHOD);
    const bool asGet = f.kind == INVOKE_PROPERTYGET && (wFlags & DISPATCH_PROPERTYGET);
    if (asMethod || asGet)
      return invokeThroughSlot(f, pvInstance, *pDispParams, pVarResult, puArgErr);
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT HostTypeInfo::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                       DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
  const TypeModel& t = type();
  const std::u16string* name = &t.name;
  const std::u16string* help = &t.help;
  if (memid != MEMBERID_NIL) {
    const FuncModel* f = findById(memid);
    if (!f) return TYPE_E_ELEMENTNOTFOUND;
    name = &f->name;
    help = &f->help;
  }
  HRESULT hr = documentStrings(*name, *help, pBstrName, pBstrDocString);
  if (FAILED(hr)) return hr;
  if (pdwHelpContext) *pdwHelpContext = 0;
  if (pBstrHelpFile) *pBstrHelpFile = nullptr;
  return S_OK;
}

// What follows is asked neither by the frame's dispatch nor by registration:
// names of parameters, the references between types and the rest are not
// served.

HRESULT HostTypeInfo::GetTypeComp(ITypeComp** ppTComp) {
  if (ppTComp) *ppTComp = nullptr;
  return E_NOTIMPL;
}

HRESULT HostTypeInfo::GetNames(MEMBERID, BSTR*, UINT, UINT* pcNames) {
  if (pcNames) *pcNames = 0;
  return E_NOTIMPL;
}

HRESULT HostTypeInfo::GetRefTypeOfImplType(UINT, HREFTYPE*) { return E_NOTIMPL; }

HRESULT HostTypeInfo::GetImplTypeFlags(UINT, INT*) { return E_NOTIMPL; }

HRESULT HostTypeInfo::GetRefTypeInfo(HREFTYPE, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT HostTypeInfo::GetContainingTypeLib(ITypeLib** ppTLib, UINT*) {
  if (ppTLib) *ppTLib = nullptr;
  return E_NOTIMPL;
}

HRESULT HostTypeInfo::GetDllEntry(MEMBERID, INVOKEKIND, BSTR* pBstrDllName, BSTR* pBstrName,
                                  WORD* pwOrdinal) {
  if (pBstrDllName) *pBstrDllName = nullptr;
  if (pBstrName) *pBstrName = nullptr;
  if (pwOrdinal) *pwOrdinal = 0;
  return E_NOTIMPL;
}

HRESULT HostTypeInfo::AddressOfMember(MEMBERID, INVOKEKIND, void** ppv) {
  if (ppv) *ppv = nullptr;
  return E_NOTIMPL;
}

HRESULT HostTypeInfo::CreateInstance(IUnknown*, REFIID, void** ppvObj) {
  if (ppvObj) *ppvObj = nullptr;
  return E_NOTIMPL;
}

HRESULT HostTypeInfo::GetMops(MEMBERID, BSTR* pBstrMops) {
  if (pBstrMops) *pBstrMops = nullptr;
  return E_NOTIMPL;
}

}  // namespace typelib
