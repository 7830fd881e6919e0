// Fuzz target: IDispatch on both automation objects, as an untrusting script
// host would drive them: arbitrary dispatch ids, flags, named arguments and
// argument VARIANTs of every type (scalars with any bits, strings with any
// units, by-reference targets, null and dummy objects), with and without
// result, exception and argument-error slots; GetIDsOfNames with arbitrary
// names; GetTypeInfo with arbitrary indexes. The VARIANTs are well formed
// (what a caller may pass); their contents are not. After each input every
// object is released, and the module must be free to unload.
#include <cstring>
#include <string>
#include <vector>

#include "automation/entryPoints.h"
#include "automation/zolmcomInterfaces.h"
#include "fuzz/fuzzInput.h"
#include "fuzz/fuzzSupport.h"
#include "platform/objbase.h"
#include "platform/oleauto.h"

using fuzzsupport::FuzzInput;

namespace {

// The pictures a load may name: the BMP and PCX seeds.
const char* const kPictures[] = {
    ZOLM_SOURCE_DIR "/fuzz/corpus/bmpReader/8bit-7x4.bmp",
    ZOLM_SOURCE_DIR "/fuzz/corpus/bmpReader/1bit-13x3.bmp",
    ZOLM_SOURCE_DIR "/fuzz/corpus/bmpReader/24bit-5x3.bmp",
    ZOLM_SOURCE_DIR "/fuzz/corpus/bmpReader/rle4-6x3.bmp",
    ZOLM_SOURCE_DIR "/fuzz/corpus/pcxReader/8x1-9x4.pcx",
    ZOLM_SOURCE_DIR "/fuzz/corpus/pcxReader/1x4-9x3.pcx",
    ZOLM_SOURCE_DIR "/fuzz/corpus/pcxReader/8x3-5x3.pcx",
};
constexpr size_t kPictureCount = sizeof kPictures / sizeof kPictures[0];

std::u16string widen(const char* text) {
  std::u16string out;
  for (; *text; ++text) out += static_cast<char16_t>(static_cast<unsigned char>(*text));
  return out;
}

// A dispatch object that answers every call with a failure, as a foreign
// object passed in by a caller might.
struct DummyDispatch : IDispatch {
  ULONG references = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    if (!out) return E_POINTER;
    *out = this;
    ++references;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

// Registers the type library once, as self-registration would.
bool setUp() {
  static const bool ready = [] {
    CoInitialize(nullptr);
    std::u16string path = widen(ZOLM_BUILD_DIR "/generated/zolmcom.tlb");
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLib(path.c_str(), &library))) return false;
    const HRESULT hr = RegisterTypeLib(library, &path[0], nullptr);
    library->Release();
    return SUCCEEDED(hr);
  }();
  return ready;
}

IDispatch* create(REFCLSID clsid) {
  void* factory = nullptr;
  if (FAILED(DllGetClassObject(clsid, IID_IClassFactory, &factory)) || !factory) return nullptr;
  void* object = nullptr;
  static_cast<IClassFactory*>(factory)->CreateInstance(nullptr, IID_IDispatch, &object);
  static_cast<IClassFactory*>(factory)->Release();
  return static_cast<IDispatch*>(object);
}

// The caller's side of one call: argument VARIANTs and what they refer to,
// all owned here and cleared after the call, as a script host does.
class Arguments {
 public:
  explicit Arguments(DummyDispatch* dummy) : dummy_(dummy) {
    // Storage never moves once the pointers into it are handed out.
    values_.reserve(kMax);
    targets_.reserve(kMax);
    strings_.reserve(kMax);
    scalars_.reserve(kMax);
    objects_.reserve(kMax);
  }
  ~Arguments() {
    for (VARIANT& v : values_) VariantClear(&v);
    for (VARIANT& v : targets_) VariantClear(&v);
    for (BSTR s : strings_) SysFreeString(s);
  }

  static constexpr size_t kMax = 8;

  void add(FuzzInput& in) {
    if (values_.size() >= kMax) return;
    values_.push_back(make(in, true));
  }
  VARIANT* data() { return values_.empty() ? nullptr : values_.data(); }
  UINT count() const { return static_cast<UINT>(values_.size()); }

 private:
  BSTR makeString(FuzzInput& in) {
    switch (in.byte() % 4) {
      case 0: return nullptr;  // a null BSTR stands for ""
      case 1: {
        const std::u16string name = widen(kPictures[in.byte() % kPictureCount]);
        return SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
      }
      default: {
        // Arbitrary units, kept inside the working directory: a load of
        // such a name opens nothing of the machine's.
        std::u16string text = in.text(40);
        for (char16_t& c : text)
          if (c == u'/' || c == u'\\') c = u'_';
        return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      }
    }
  }

  VARIANT make(FuzzInput& in, bool mayRefer) {
    VARIANT v;
    VariantInit(&v);
    static const VARTYPE kScalars[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_CY,
                                       VT_DATE, VT_ERROR, VT_BOOL, VT_I1, VT_UI1, VT_UI2, VT_UI4,
                                       VT_I8, VT_UI8, VT_INT, VT_UINT};
    const uint8_t kind = in.byte();
    switch (kind % 8) {
      case 0:
      case 1:
      case 2: {  // a scalar with arbitrary bits
        v.vt = kScalars[in.byte() % (sizeof kScalars / sizeof kScalars[0])];
        v.llVal = static_cast<LONGLONG>(in.qword());
        return v;
      }
      case 3:
        v.vt = VT_BSTR;
        v.bstrVal = makeString(in);
        return v;
      case 4:  // an object: none or one that fails every call
        v.vt = (kind & 0x10) ? VT_DISPATCH : VT_UNKNOWN;
        v.pdispVal = (kind & 0x20) ? nullptr : dummy_;
        if (v.pdispVal) dummy_->AddRef();
        return v;
      case 5:
        if (mayRefer) {  // by reference to a VARIANT of any kind
          targets_.push_back(make(in, false));
          v.vt = VT_BYREF | VT_VARIANT;
          v.pvarVal = &targets_.back();
          return v;
        }
        v.vt = VT_I4;
        v.lVal = static_cast<LONG>(in.dword());
        return v;
      case 6: {  // by reference to a scalar or a string
        if ((kind & 0x10) != 0) {
          strings_.push_back(makeString(in));
          v.vt = VT_BYREF | VT_BSTR;
          v.pbstrVal = &strings_.back();
          return v;
        }
        scalars_.push_back(in.qword());
        v.vt = VT_BYREF | kScalars[2 + in.byte() % (sizeof kScalars / sizeof kScalars[0] - 2)];
        v.byref = &scalars_.back();
        return v;
      }
      default: {  // a decimal, or any type number at all with no payload
        if ((kind & 0x10) != 0) {
          in.bytes(&v.decVal, sizeof v.decVal);
          v.vt = VT_DECIMAL;
          return v;
        }
        objects_.push_back(nullptr);
        v.vt = static_cast<VARTYPE>(VT_BYREF | VT_DISPATCH);
        v.ppdispVal = &objects_.back();
        return v;
      }
    }
  }

  DummyDispatch* dummy_;
  std::vector<VARIANT> values_;
  std::vector<VARIANT> targets_;
  std::vector<BSTR> strings_;
  std::vector<uint64_t> scalars_;
  std::vector<IDispatch*> objects_;
};

void invoke(IDispatch* object, FuzzInput& in, DummyDispatch* dummy) {
  // Mostly the members' own ids and their neighbours, sometimes any id.
  const uint8_t choice = in.byte();
  const DISPID id = choice < 224 ? static_cast<DISPID>(choice % 10) - 4 : static_cast<DISPID>(in.dword());
  const WORD flags = (choice & 1) ? in.word() : static_cast<WORD>(1 + in.byte() % 8);
  Arguments arguments(dummy);
  const uint8_t shape = in.byte();
  const size_t count = shape % 6;
  for (size_t i = 0; i < count; ++i) arguments.add(in);
  DISPID named[2] = {DISPID_PROPERTYPUT, static_cast<DISPID>(in.dword())};
  DISPPARAMS params = {arguments.data(), nullptr, arguments.count(), 0};
  const uint8_t namedCount = (shape >> 3) % 3;
  if (namedCount <= params.cArgs && namedCount > 0) {
    params.rgdispidNamedArgs = named;
    params.cNamedArgs = namedCount;
  }
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception;
  std::memset(&exception, 0, sizeof exception);
  UINT argumentError = 0;
  object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, (shape & 0x20) ? nullptr : &params,
                 (shape & 0x40) ? nullptr : &result, (shape & 0x80) ? nullptr : &exception,
                 (choice & 2) ? nullptr : &argumentError);
  VariantClear(&result);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
}

void namesOf(IDispatch* object, FuzzInput& in) {
  std::u16string texts[3];
  LPOLESTR names[3];
  const UINT count = 1 + in.byte() % 3;
  for (UINT i = 0; i < count; ++i) {
    texts[i] = in.byte() % 2 ? std::u16string(u"getRGB").substr(0, in.byte() % 7) : in.text(24);
    names[i] = &texts[i][0];
  }
  DISPID ids[3] = {};
  object->GetIDsOfNames(IID_NULL, names, count, LOCALE_USER_DEFAULT, ids);
}

void typeInfo(IDispatch* object, FuzzInput& in) {
  UINT count = 0;
  object->GetTypeInfoCount((in.byte() & 1) ? nullptr : &count);
  ITypeInfo* info = nullptr;
  object->GetTypeInfo(static_cast<UINT>(in.byte()) - 1, LOCALE_USER_DEFAULT, (in.byte() & 1) ? nullptr : &info);
  if (info) info->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096 || !setUp()) return 0;
  FuzzInput in(data, size);
  DummyDispatch dummy;
  IDispatch* objects[2] = {create(CLSID_PaletteLoader), create(CLSID_FontFile)};
  FUZZ_CHECK(objects[0] && objects[1]);
  for (int calls = 0; calls < 24 && !in.empty(); ++calls) {
    const uint8_t op = in.byte();
    IDispatch* object = objects[op & 1];
    switch ((op >> 1) % 8) {
      case 6: namesOf(object, in); break;
      case 7: typeInfo(object, in); break;
      default: invoke(object, in, &dummy); break;
    }
  }
  objects[0]->Release();
  objects[1]->Release();
  // Nothing the calls did may keep the module locked, nor hold the
  // caller's object.
  FUZZ_CHECK(DllCanUnloadNow() == S_OK);
  FUZZ_CHECK(dummy.references == 1);
  return 0;
}
