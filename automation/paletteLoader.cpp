// The palette loader object. A load lets go of the previous image first, so
// the object only ever answers for the file of its last load; the palette it
// hands out belongs to the image it holds. A file that cannot be opened is a
// failed load (nothing was read), and lastError says why a load failed.
#include "automation/paletteLoader.h"

#include "image/bitmapFile.h"
#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/pcx/pcxImg.h"

#include <initializer_list>
#include <new>

namespace {

struct ExtensionEntry {
  const char* extension;
  ImageKind kind;
};

// Searched in this order; GIF files are named but not read.
const ExtensionEntry kExtensions[] = {
    {"PCX", ImageKind::pcx},
    {"ICO", ImageKind::pcx},
    {"BMP", ImageKind::bmp},
    {"GIF", ImageKind::none},
};

OLECHAR upperAscii(OLECHAR c) {
  return (c >= 'a' && c <= 'z') ? static_cast<OLECHAR>(c - 'a' + 'A') : c;
}

bool equalsIgnoringCase(const OLECHAR* text, const char* word) {
  size_t i = 0;
  for (; text[i] && word[i]; ++i)
    if (upperAscii(text[i]) != static_cast<OLECHAR>(word[i])) return false;
  return !text[i] && !word[i];
}

// The platform's error code as an HRESULT, read as a signed number.
int32_t systemErrorResult(uint32_t code) {
  return static_cast<int32_t>(0x80070000u | (code & 0xFFFFu));
}

// Brings a VARIANT to VT_I4 in place, converting (not discarding) what it held.
HRESULT toInt32(VARIANT* v) {
  if (v->vt == VT_I4) return S_OK;
  return VariantChangeType(v, v, 0, VT_I4);
}

}  // namespace

ImageKind ImageKindForName(const OLECHAR* fileName) {
  if (!fileName) return ImageKind::none;
  const OLECHAR* ownName = fileName;
  const OLECHAR* lastDot = nullptr;
  for (const OLECHAR* p = fileName; *p; ++p) {
    if (*p == '\\' || *p == '/') {
      ownName = p + 1;
      lastDot = nullptr;
    } else if (*p == '.') {
      lastDot = p;
    }
  }
  if (!lastDot || lastDot < ownName) return ImageKind::none;
  for (const ExtensionEntry& entry : kExtensions)
    if (equalsIgnoringCase(lastDot + 1, entry.extension)) return entry.kind;
  return ImageKind::none;
}

CPaletteLoader::~CPaletteLoader() { releaseImage(); }

void CPaletteLoader::releaseImage() {
  delete currentImage;
  currentImage = nullptr;
  currentPalette = nullptr;
}

HRESULT STDMETHODCALLTYPE CPaletteLoader::load(BSTR FileName, VARIANT_BOOL* pRetVal) {
  if (!pRetVal) return E_POINTER;
  *pRetVal = VARIANT_TRUE;
  releaseImage();

  const ImageKind kind = ImageKindForName(FileName);
  if (kind == ImageKind::none) {
    lastErrorCode = errFormat;
    *pRetVal = VARIANT_FALSE;
    return S_OK;
  }
  if (kind == ImageKind::pcx)
    currentImage = new (std::nothrow) cPcxImg();
  else
    currentImage = new (std::nothrow) cBmpImg();
  if (!currentImage) {
    lastErrorCode = errMemory;
    *pRetVal = VARIANT_FALSE;
    return S_OK;
  }

  currentImage->loadFile(FileName);
  if (currentImage->errorCode != errNone) {
    lastErrorCode = currentImage->errorCode;
    *pRetVal = VARIANT_FALSE;
    return S_OK;
  }
  if (!currentImage->pixels) {
    // Nothing was read: the file could not be opened.
    const uint32_t code = currentImage->getSystemError();
    lastErrorCode = code ? systemErrorResult(code) : errRead;
    *pRetVal = VARIANT_FALSE;
    return S_OK;
  }
  currentPalette = currentImage->pixels->palette;
  lastErrorCode = errNone;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CPaletteLoader::get_ColorCount(VARIANT* pVal) {
  if (!pVal) return E_POINTER;
  HRESULT hr = toInt32(pVal);
  if (FAILED(hr)) return hr;
  pVal->lVal = currentPalette ? currentPalette->count : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CPaletteLoader::get_lastError(VARIANT* pVal) {
  if (!pVal) return E_POINTER;
  HRESULT hr = toInt32(pVal);
  if (FAILED(hr)) return hr;
  pVal->lVal = lastErrorCode;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CPaletteLoader::getRGB(VARIANT* pColorIdx, VARIANT* pRed,
                                                 VARIANT* pGreen, VARIANT* pBlue,
                                                 VARIANT_BOOL* pRetVal) {
  if (!pColorIdx || !pRed || !pGreen || !pBlue || !pRetVal) return E_POINTER;
  *pRetVal = VARIANT_FALSE;
  HRESULT hr = toInt32(pColorIdx);
  if (FAILED(hr)) return hr;
  const int32_t index = pColorIdx->lVal;
  if (!currentPalette) return S_OK;
  if (index >= currentPalette->count) return S_OK;  // the colours stay as they were
  for (VARIANT* colour : {pRed, pGreen, pBlue}) {
    hr = toInt32(colour);
    if (FAILED(hr)) return hr;
  }
  uint8_t rgb[3];
  if (!currentPalette->getEntry(index, rgb)) return S_OK;  // a negative index
  pRed->lVal = rgb[0];
  pGreen->lVal = rgb[1];
  pBlue->lVal = rgb[2];
  *pRetVal = VARIANT_TRUE;
  return S_OK;
}
