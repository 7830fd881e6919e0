// An early-binding client of zolmcom.dll, run by the Wine suite.
//
// It loads the library by its path as the platform's activation would, asks
// it for class factories and calls the objects through their operation
// tables, slots 7 and up, declared here from the documented layout rather
// than from the library's own headers, so that a table built in another order
// shows up as a wrong answer. It also makes an aggregate with an outer object
// of its own, and checks that the library can be unloaded once everything is
// released. It needs the library registered (dispatch reads the registered
// type library) and the pictures of make_pictures.py.
//
// Usage: earlyClient DLL PICTURE-FOLDER; prints each wrong answer, exits 1 on any.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

// The operation tables as the type library lays them out: IDispatch's seven
// slots, then the interface's own methods in order. They stay outside the
// anonymous namespace: the objects behind them live in the DLL, and a type
// the compiler believes it sees whole would have its calls devirtualised away.
struct IFontFileTable : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetFileName(BSTR fontName, VARIANT* fileName,
                                                VARIANT_BOOL* result) = 0;  // slot 7
  virtual HRESULT STDMETHODCALLTYPE GetFontDirectory(BSTR* directory) = 0;  // slot 8
};

struct IPaletteLoaderTable : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE load(BSTR fileName, VARIANT_BOOL* result) = 0;  // slot 7
  virtual HRESULT STDMETHODCALLTYPE get_ColorCount(VARIANT* count) = 0;             // slot 8
  virtual HRESULT STDMETHODCALLTYPE get_lastError(VARIANT* error) = 0;              // slot 9
  virtual HRESULT STDMETHODCALLTYPE getRGB(VARIANT* index, VARIANT* red, VARIANT* green,
                                           VARIANT* blue, VARIANT_BOOL* result) = 0;  // slot 10
};

namespace {

const CLSID CLSID_FontFile = {
    0xCB8D375B, 0x53BB, 0x47B0, {0xAF, 0x30, 0x9E, 0xF7, 0xAA, 0x14, 0x4F, 0x3D}};
const CLSID CLSID_PaletteLoader = {
    0x74FCDF8C, 0x45F4, 0x4BAC, {0xBD, 0xE0, 0x68, 0x45, 0x37, 0x41, 0xE8, 0xD2}};
const IID IID_IFontFile = {
    0x6D3D764B, 0x1D52, 0x4B2F, {0xB4, 0x30, 0x10, 0x25, 0x76, 0x8D, 0xBD, 0x39}};
const IID IID_IPaletteLoader = {
    0x686AEBFD, 0x4FC6, 0x4D39, {0xAA, 0xFB, 0x97, 0x7C, 0xB6, 0x5C, 0x15, 0x7E}};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// GetProcAddress hands out a generic function pointer; going through
// void (*)() says the cast to the entry point's real type is intended.
template <typename Fn>
Fn entryPoint(HMODULE library, const char* name) {
  using Generic = void (*)();
  return reinterpret_cast<Fn>(reinterpret_cast<Generic>(GetProcAddress(library, name)));
}

int failures = 0;

void check(bool ok, const char* what, long long value = 0) {
  if (ok) return;
  std::printf("FAIL earlyClient: %s (got %lld / 0x%llx)\n", what, value,
              static_cast<unsigned long long>(value) & 0xFFFFFFFFull);
  ++failures;
}

// Palette entry i of the generated pictures (make_pictures.py).
int entry(int i, int part) {
  static const int base[3] = {0x30, 0x20, 0x10};
  static const int step[3] = {3, 5, 7};
  return (base[part] + step[part] * i) & 0xFF;
}

// A BSTR that frees itself.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : value(SysAllocString(text.c_str())) {}
  ~Bstr() { SysFreeString(value); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return value; }

 private:
  BSTR value;
};

// A VARIANT that clears itself.
struct Var : VARIANT {
  Var() { VariantInit(this); }
  explicit Var(LONG value) {
    VariantInit(this);
    vt = VT_I4;
    lVal = value;
  }
  explicit Var(const wchar_t* text) {
    VariantInit(this);
    vt = VT_BSTR;
    bstrVal = SysAllocString(text);
  }
  ~Var() { VariantClear(this); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
};

// The outer object of an aggregate: it owns the inner object's IUnknown and
// counts the references that reach it through the inner object's interfaces.
class Outer : public IUnknown {
 public:
  ULONG count = 1;
  IUnknown* inner = nullptr;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
};

void checkPaletteLoader(IPaletteLoaderTable* loader, const std::wstring& pictures) {
  VARIANT_BOOL ok = 1;
  // Each call comes before its check: the check's arguments read what it wrote.
  Var count;
  HRESULT hr = loader->get_ColorCount(&count);
  check(hr == S_OK && count.vt == VT_I4 && count.lVal == 0,
        "new loader: ColorCount is not the integer 0", count.lVal);

  Bstr bmp(pictures + L"\\pal8.bmp");
  hr = loader->load(bmp, &ok);
  check(hr == S_OK && ok == VARIANT_TRUE, "load of pal8.bmp (slot 7)", ok);
  hr = loader->get_ColorCount(&count);
  check(hr == S_OK && count.lVal == 256, "ColorCount (slot 8)", count.lVal);
  Var error(L"42");  // converted in place, then overwritten
  hr = loader->get_lastError(&error);
  check(hr == S_OK && error.vt == VT_I4 && error.lVal == 0,
        "lastError (slot 9) is not the integer 0", error.lVal);

  for (int i : {0, 1, 128, 255}) {
    Var index(static_cast<LONG>(i)), red, green, blue;
    hr = loader->getRGB(&index, &red, &green, &blue, &ok);
    check(hr == S_OK && ok == VARIANT_TRUE, "getRGB (slot 10) failed", hr);
    check(red.vt == VT_I4 && red.lVal == entry(i, 0), "getRGB red", red.lVal);
    check(green.vt == VT_I4 && green.lVal == entry(i, 1), "getRGB green", green.lVal);
    check(blue.vt == VT_I4 && blue.lVal == entry(i, 2), "getRGB blue", blue.lVal);
  }

  // A string index is converted where it stands.
  Var text(L"3"), red, green, blue;
  hr = loader->getRGB(&text, &red, &green, &blue, &ok);
  check(hr == S_OK && ok == VARIANT_TRUE, "getRGB with the string index \"3\"", hr);
  check(text.vt == VT_I4 && text.lVal == 3, "the string index was not converted in place",
        text.vt);
  check(red.lVal == entry(3, 0) && blue.lVal == entry(3, 2), "entry 3", red.lVal);

  Var letters(L"abc");
  ok = 1;
  hr = loader->getRGB(&letters, &red, &green, &blue, &ok);
  check(FAILED(hr) && ok == 0, "getRGB with the index \"abc\" did not fail", hr);

  Var past(256L), keepRed(7L), keepGreen(8L), keepBlue(9L);
  hr = loader->getRGB(&past, &keepRed, &keepGreen, &keepBlue, &ok);
  check(hr == S_OK && ok == 0, "getRGB(256) answered true", ok);
  check(keepRed.lVal == 7 && keepGreen.lVal == 8 && keepBlue.lVal == 9,
        "getRGB(256) changed the colours", keepRed.lVal);

  Bstr gif(pictures + L"\\pal8.gif");
  hr = loader->load(gif, &ok);
  check(hr == S_OK && ok == 0, "load of pal8.gif answered true", ok);
  hr = loader->get_ColorCount(&count);
  check(hr == S_OK && count.lVal == 0, "ColorCount after .gif", count.lVal);
  hr = loader->load(nullptr, &ok);
  check(hr == S_OK && ok == 0, "load of a null name answered true", ok);
}

void checkDispatch(IDispatch* dispatch, const wchar_t* const* names, int count) {
  for (int i = 0; i < count; ++i) {
    LPOLESTR name = const_cast<LPOLESTR>(names[i]);
    DISPID id = -1;
    HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    check(hr == S_OK && id == i + 1, "dispatch id of a member", id);
  }
  LPOLESTR unknown = const_cast<LPOLESTR>(L"frobnicate");
  DISPID id = 0;
  check(dispatch->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id) ==
            DISP_E_UNKNOWNNAME,
        "an unknown name has a dispatch id");

  // Only the listed members exist: the next dispatch id is no member.
  DISPPARAMS noArguments = {nullptr, nullptr, 0, 0};
  Var result;
  HRESULT hr = dispatch->Invoke(count + 1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                &noArguments, &result, nullptr, nullptr);
  check(hr == DISP_E_MEMBERNOTFOUND, "a dispatch id past the members", hr);
}

void checkFontFile(IFontFileTable* fonts) {
  Bstr courier(L"courier");
  Var file;
  VARIANT_BOOL ok = 0;
  HRESULT hr = fonts->GetFileName(courier, &file, &ok);
  check(hr == S_OK && ok == VARIANT_TRUE, "GetFileName(courier) (slot 7)", ok);
  check(file.vt == VT_BSTR && file.bstrVal && lstrcmpiW(file.bstrVal, L"coure.fon") == 0,
        "courier's file is not coure.fon", file.vt);

  BSTR directory = nullptr;
  hr = fonts->GetFontDirectory(&directory);
  check(hr == S_OK && directory, "GetFontDirectory (slot 8)", hr);
  wchar_t expected[MAX_PATH + 8];
  UINT length = GetWindowsDirectoryW(expected, MAX_PATH);
  lstrcatW(expected, L"\\Fonts");
  check(length && directory && lstrcmpiW(directory, expected) == 0,
        "GetFontDirectory is not the Windows directory's Fonts");
  SysFreeString(directory);
}

void checkAggregate(IClassFactory* factory) {
  Outer outer;
  IUnknown* refused = reinterpret_cast<IUnknown*>(1);
  HRESULT hr = factory->CreateInstance(&outer, IID_IDispatch, reinterpret_cast<void**>(&refused));
  check(hr == CLASS_E_NOAGGREGATION && refused == nullptr,
        "an aggregate asked for IDispatch was not refused", hr);

  hr = factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner));
  check(hr == S_OK && outer.inner, "no aggregate for IID_IUnknown", hr);
  if (!outer.inner) return;

  IFontFileTable* fonts = nullptr;
  ULONG before = outer.count;
  hr = outer.inner->QueryInterface(IID_IFontFile, reinterpret_cast<void**>(&fonts));
  check(hr == S_OK && fonts, "the aggregate has no IFontFile", hr);
  if (fonts) {
    check(outer.count == before + 1, "IFontFile of the aggregate does not count on the outer",
          outer.count);
    IUnknown* identity = nullptr;
    fonts->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    check(identity == static_cast<IUnknown*>(&outer),
          "IUnknown asked of the aggregate's IFontFile is not the outer object");
    if (identity) identity->Release();
    checkFontFile(fonts);
    const wchar_t* names[] = {L"GetFileName", L"GetFontDirectory"};
    checkDispatch(fonts, names, 2);
    fonts->Release();
    check(outer.count == before, "releasing IFontFile did not reach the outer", outer.count);
  }
  outer.inner->Release();
  outer.inner = nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: earlyClient DLL PICTURE-FOLDER\n");
    return 2;
  }
  const std::wstring pictures = argv[2];
  check(SUCCEEDED(CoInitialize(nullptr)), "CoInitialize");

  HMODULE library = LoadLibraryW(argv[1]);
  check(library != nullptr, "LoadLibraryW of the DLL", GetLastError());
  if (!library) return 1;
  auto getClassObject = entryPoint<GetClassObjectFn>(library, "DllGetClassObject");
  auto canUnloadNow = entryPoint<CanUnloadNowFn>(library, "DllCanUnloadNow");
  check(getClassObject && canUnloadNow, "the DLL lacks its entry points");
  if (!getClassObject || !canUnloadNow) return 1;

  check(canUnloadNow() == S_OK, "DllCanUnloadNow before any object is not S_OK");

  void* none = reinterpret_cast<void*>(1);
  HRESULT hr = getClassObject(IID_IFontFile, IID_IClassFactory, &none);
  check(hr == CLASS_E_CLASSNOTAVAILABLE && none == nullptr, "an unknown class id", hr);

  IClassFactory* paletteFactory = nullptr;
  IClassFactory* fontFactory = nullptr;
  hr = getClassObject(CLSID_PaletteLoader, IID_IClassFactory,
                      reinterpret_cast<void**>(&paletteFactory));
  check(hr == S_OK && paletteFactory, "no PaletteLoader class factory", hr);
  hr = getClassObject(CLSID_FontFile, IID_IClassFactory, reinterpret_cast<void**>(&fontFactory));
  check(hr == S_OK && fontFactory, "no FontFile class factory", hr);
  if (!paletteFactory || !fontFactory) return 1;
  check(canUnloadNow() == S_FALSE, "DllCanUnloadNow while factories are held");

  IPaletteLoaderTable* loader = nullptr;
  hr = paletteFactory->CreateInstance(nullptr, IID_IPaletteLoader,
                                      reinterpret_cast<void**>(&loader));
  check(hr == S_OK && loader, "no PaletteLoader object", hr);
  if (loader) {
    checkPaletteLoader(loader, pictures);
    const wchar_t* names[] = {L"load", L"ColorCount", L"lastError", L"getRGB"};
    checkDispatch(loader, names, 4);

    IUnknown* a = nullptr;
    IUnknown* b = nullptr;
    loader->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
    IDispatch* dispatch = nullptr;
    loader->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (dispatch) dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
    check(a && a == b, "IUnknown differs between interfaces of one object");
    if (a) a->Release();
    if (b) b->Release();
    if (dispatch) dispatch->Release();
    IFontFileTable* wrong = reinterpret_cast<IFontFileTable*>(1);
    check(loader->QueryInterface(IID_IFontFile, reinterpret_cast<void**>(&wrong)) ==
                  E_NOINTERFACE &&
              wrong == nullptr,
          "a PaletteLoader answers IFontFile");
    loader->Release();
  }

  IFontFileTable* fonts = nullptr;
  hr = fontFactory->CreateInstance(nullptr, IID_IFontFile, reinterpret_cast<void**>(&fonts));
  check(hr == S_OK && fonts, "no FontFile object", hr);
  if (fonts) {
    checkFontFile(fonts);
    fonts->Release();
  }
  checkAggregate(fontFactory);

  check(paletteFactory->LockServer(TRUE) == S_OK, "LockServer(TRUE)");
  paletteFactory->Release();
  fontFactory->Release();
  check(canUnloadNow() == S_FALSE, "DllCanUnloadNow while the server is locked");
  getClassObject(CLSID_PaletteLoader, IID_IClassFactory, reinterpret_cast<void**>(&paletteFactory));
  if (paletteFactory) {
    paletteFactory->LockServer(FALSE);
    paletteFactory->Release();
  }
  check(canUnloadNow() == S_OK, "DllCanUnloadNow after everything was released");

  // The same class through the registry, as a script host finds it.
  CLSID byName = {};
  hr = CLSIDFromProgID(L"zolmcom.PaletteLoader", &byName);
  check(hr == S_OK && IsEqualCLSID(byName, CLSID_PaletteLoader), "ProgID zolmcom.PaletteLoader",
        hr);
  hr = CLSIDFromProgID(L"Zolmcom.FontFile.1", &byName);
  check(hr == S_OK && IsEqualCLSID(byName, CLSID_FontFile), "ProgID Zolmcom.FontFile.1", hr);
  IPaletteLoaderTable* created = nullptr;
  hr = CoCreateInstance(CLSID_PaletteLoader, nullptr, CLSCTX_INPROC_SERVER, IID_IPaletteLoader,
                        reinterpret_cast<void**>(&created));
  check(hr == S_OK && created, "CoCreateInstance of PaletteLoader", hr);
  if (created) created->Release();
  check(canUnloadNow() == S_OK, "DllCanUnloadNow after the registry's object was released");

  CoUninitialize();
  FreeLibrary(library);
  if (failures == 0) std::printf("earlyClient: all answers right\n");
  return failures ? 1 : 0;
}
