// CFontFile, the class behind the automation object FontFile (IFontFile):
// which file belongs to an installed font, found by the beginning of its
// display name in the registry's font table, and where the fonts directory
// is. It keeps no state of its own; each search keeps its own place in the
// font table, so objects on several threads may search at once.
#pragma once

#include "automation/zolmcomInterfaces.h"
#include "platform/oleauto.h"
#include "server/comObject.h"
#include "server/comObjectRoot.h"
#include "server/dispatchImpl.h"

// The frame gives the class its component-object shape: the dual interface's
// table comes first, so the object's address is its IFontFile, IDispatch and
// IUnknown pointer alike; the methods below fill slots 7 and 8.
class CFontFile : public CComObjectRootEx<CComSingleThreadModel>,
                  public CComCoClass<CFontFile, &CLSID_FontFile>,
                  public IDispatchImpl<IFontFile, &IID_IFontFile, &LIBID_ZOLMCOMLib, 1, 0,
                                       CComTypeInfoHolder> {
 public:
  static const InterfaceMapEntry* GetInterfaceMap() {
    return DualInterfaceMap<CFontFile, IFontFile, &IID_IFontFile>();
  }

  // IFontFile
  // pRetVal: VARIANT_TRUE and the file's name in pFileName (as a BSTR) for
  // the first font table value whose name begins with FontName, the letters
  // A to Z matched in either case; otherwise VARIANT_FALSE with pFileName
  // untouched. S_OK, or E_POINTER / E_OUTOFMEMORY.
  HRESULT STDMETHODCALLTYPE GetFileName(BSTR FontName, VARIANT* pFileName,
                                        VARIANT_BOOL* pRetVal);
  // The fonts folder below the Windows directory; an empty string when the
  // Windows directory cannot be had or is too long.
  HRESULT STDMETHODCALLTYPE GetFontDirectory(BSTR* pFontDirectory);
};

// Whether a font table value name begins with the name asked for: the first
// n characters of valueName equal fontName's n characters, A to Z in either
// case, everything else exactly. A shorter value name never matches.
bool FontNameMatches(const OLECHAR* valueName, const OLECHAR* fontName, size_t n);

// The font table's key below HKEY_LOCAL_MACHINE for a Windows version code.
const OLECHAR* FontTablePath(int versionCode);
