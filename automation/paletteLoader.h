// CPaletteLoader, the class behind the automation object PaletteLoader
// (IPaletteLoader): loads an image file chosen by its extension (PCX, also
// for files named .ICO, or BMP) and hands out its palette colour by colour.
// Every VARIANT it reads or writes is first brought to VT_I4 in place.
#pragma once

#include "automation/zolmcomInterfaces.h"
#include "platform/oleauto.h"
#include "server/comObject.h"
#include "server/comObjectRoot.h"
#include "server/dispatchImpl.h"

#include <cstdint>

class cBitmapFile;
class cPalette;

// The image readers a file name's extension can choose.
enum class ImageKind { none, pcx, bmp };

// The extension is the text after the last "." of the file's own name (what
// follows the last "\" or "/"), compared with "PCX", "ICO", "BMP" and "GIF"
// without regard to the case of A to Z. No "." or another extension: none;
// "GIF" is known but not read: none as well.
ImageKind ImageKindForName(const OLECHAR* fileName);

// The frame gives the class its component-object shape: the dual interface's
// table comes first, so the object's address is its IPaletteLoader, IDispatch
// and IUnknown pointer alike; the methods below fill slots 7 to 10.
class CPaletteLoader : public CComObjectRootEx<CComSingleThreadModel>,
                       public CComCoClass<CPaletteLoader, &CLSID_PaletteLoader>,
                       public IDispatchImpl<IPaletteLoader, &IID_IPaletteLoader, &LIBID_ZOLMCOMLib,
                                            1, 0, CComTypeInfoHolder> {
 public:
  static const InterfaceMapEntry* GetInterfaceMap() {
    return DualInterfaceMap<CPaletteLoader, IPaletteLoader, &IID_IPaletteLoader>();
  }

  CPaletteLoader() = default;
  ~CPaletteLoader();
  CPaletteLoader(const CPaletteLoader&) = delete;
  CPaletteLoader& operator=(const CPaletteLoader&) = delete;

  // IPaletteLoader
  // pRetVal: VARIANT_TRUE when the file was read, VARIANT_FALSE otherwise.
  HRESULT STDMETHODCALLTYPE load(BSTR FileName, VARIANT_BOOL* pRetVal);
  // The palette's number of colours, 0 without one.
  HRESULT STDMETHODCALLTYPE get_ColorCount(VARIANT* pVal);
  // Why the last load failed: 0 after a success and on a new object; the
  // image library's error code (-2 to -7) after a read that set one; the
  // platform's error code as an HRESULT (0x80070000 OR code) when the file
  // could not be opened; errFormat (-3) for a name whose extension is
  // missing or not supported.
  HRESULT STDMETHODCALLTYPE get_lastError(VARIANT* pVal);
  // The red, green and blue values (0 to 255) of palette entry pColorIdx.
  HRESULT STDMETHODCALLTYPE getRGB(VARIANT* pColorIdx, VARIANT* pRed, VARIANT* pGreen,
                                   VARIANT* pBlue, VARIANT_BOOL* pRetVal);

 private:
  void releaseImage();

  cBitmapFile* currentImage = nullptr;  // owned
  cPalette* currentPalette = nullptr;   // borrowed from currentImage
  int32_t lastErrorCode = 0;
};
