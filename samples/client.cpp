// A C++ client of zolmcom.dll, bound early through the header of the Windows
// package: include/zolmcom.h declares IPaletteLoader and IFontFile,
// include/zolmcom_i.c defines their identifiers. Register the DLL first
// (install.cmd), then build and run, for example with mingw-w64:
//
//   x86_64-w64-mingw32-g++ -municode -I include samples\client.cpp include\zolmcom_i.c
//       -o client.exe -lole32 -loleaut32 -luuid -static
//   client.exe C:\pictures\sunset.bmp Arial
//
// or with Visual C++: cl /EHsc /I include samples\client.cpp include\zolmcom_i.c ole32.lib oleaut32.lib
//
// The program's bitness chooses the DLL: a 64-bit client uses the x64 one.
// Exit status 0 when the picture was read, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "zolmcom.h"

namespace {

// A VARIANT that clears itself.
struct Variant : VARIANT {
  Variant() { VariantInit(this); }
  ~Variant() { VariantClear(this); }
};

// Prints the colour count and the first colours; false when the picture was not read.
bool printPalette(IPaletteLoader* loader, const wchar_t* picture) {
  BSTR name = SysAllocString(picture);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  HRESULT hr = loader->load(name, &loaded);
  SysFreeString(name);
  if (FAILED(hr) || loaded == VARIANT_FALSE) {
    Variant error;
    loader->get_lastError(&error);
    std::wprintf(L"%ls: not read, lastError %ld (0x%08lX)\n", picture, error.lVal,
                 static_cast<unsigned long>(error.lVal));
    return false;
  }
  Variant count;
  loader->get_ColorCount(&count);  // a VT_I4 VARIANT; 0 without a palette
  std::wprintf(L"%ls: %ld colours\n", picture, count.lVal);
  for (LONG i = 0; i < count.lVal && i < 8; ++i) {
    Variant index, red, green, blue;
    index.vt = VT_I4;
    index.lVal = i;
    VARIANT_BOOL found = VARIANT_FALSE;
    if (SUCCEEDED(loader->getRGB(&index, &red, &green, &blue, &found)) && found)
      std::wprintf(L"  %ld: %ld %ld %ld\n", i, red.lVal, green.lVal, blue.lVal);
  }
  return true;
}

void printFont(IFontFile* fonts, const wchar_t* fontName) {
  BSTR name = SysAllocString(fontName);
  Variant file;
  VARIANT_BOOL found = VARIANT_FALSE;
  HRESULT hr = fonts->GetFileName(name, &file, &found);
  SysFreeString(name);
  BSTR directory = nullptr;
  fonts->GetFontDirectory(&directory);
  if (SUCCEEDED(hr) && found && file.vt == VT_BSTR)
    std::wprintf(L"%ls: %ls in %ls\n", fontName, file.bstrVal, directory ? directory : L"");
  else
    std::wprintf(L"%ls: no installed font begins with that name\n", fontName);
  SysFreeString(directory);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: client PICTURE [FONT NAME]\n");
    return 2;
  }
  if (FAILED(CoInitialize(nullptr))) return 1;
  int status = 1;
  IPaletteLoader* loader = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_PaletteLoader, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IPaletteLoader, reinterpret_cast<void**>(&loader));
  if (FAILED(hr)) {
    std::fwprintf(stderr, L"zolmcom.PaletteLoader cannot be created (0x%08lX): is the DLL "
                  L"of this bitness registered?\n", static_cast<unsigned long>(hr));
  } else {
    status = printPalette(loader, argv[1]) ? 0 : 1;
    loader->Release();
  }
  IFontFile* fonts = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_FontFile, nullptr, CLSCTX_INPROC_SERVER, IID_IFontFile,
                                 reinterpret_cast<void**>(&fonts)))) {
    printFont(fonts, argc > 2 ? argv[2] : L"Courier");
    fonts->Release();
  }
  CoUninitialize();
  return status;
}
