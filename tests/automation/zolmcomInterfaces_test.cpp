// The generated interface declarations: the identifiers carry the library's
// values and each operation sits in the slot the type library gives it, which
// is what a caller that binds by slot (and dispatch) relies on.
#include "automation/zolmcomInterfaces.h"

#include <gtest/gtest.h>

#include "tests/comFakes.h"

namespace {

struct FakePaletteLoader : comfakes::FakeDispatch<IPaletteLoader> {
  int lastCalled = 0;
  HRESULT STDMETHODCALLTYPE load(BSTR, VARIANT_BOOL*) override { return lastCalled = 7; }
  HRESULT STDMETHODCALLTYPE get_ColorCount(VARIANT*) override { return lastCalled = 8; }
  HRESULT STDMETHODCALLTYPE get_lastError(VARIANT*) override { return lastCalled = 9; }
  HRESULT STDMETHODCALLTYPE getRGB(VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                   VARIANT_BOOL*) override {
    return lastCalled = 10;
  }
};

// Calls the operation in `slot` of the object's table the way a caller that
// binds by slot does.
HRESULT callSlot(void* object, int slot) {
  typedef HRESULT(STDMETHODCALLTYPE * Operation)(void*, void*, void*, void*, void*, void*);
  void** table = *static_cast<void***>(object);
  return reinterpret_cast<Operation>(table[slot])(object, nullptr, nullptr, nullptr, nullptr,
                                                   nullptr);
}

}  // namespace

TEST(ZolmcomInterfaces, IdentifiersHaveTheLibraryValues) {
  const GUID lib = {0x28453262, 0xFCFB, 0x433B, {0x9E, 0x37, 0x89, 0x6C, 0xFF, 0x19, 0xF7, 0x4E}};
  const GUID fontFile = {0xCB8D375B, 0x53BB, 0x47B0, {0xAF, 0x30, 0x9E, 0xF7, 0xAA, 0x14, 0x4F, 0x3D}};
  const GUID loader = {0x74FCDF8C, 0x45F4, 0x4BAC, {0xBD, 0xE0, 0x68, 0x45, 0x37, 0x41, 0xE8, 0xD2}};
  const GUID iFontFile = {0x6D3D764B, 0x1D52, 0x4B2F, {0xB4, 0x30, 0x10, 0x25, 0x76, 0x8D, 0xBD, 0x39}};
  const GUID iLoader = {0x686AEBFD, 0x4FC6, 0x4D39, {0xAA, 0xFB, 0x97, 0x7C, 0xB6, 0x5C, 0x15, 0x7E}};
  EXPECT_TRUE(IsEqualGUID(LIBID_ZOLMCOMLib, lib));
  EXPECT_TRUE(IsEqualGUID(CLSID_FontFile, fontFile));
  EXPECT_TRUE(IsEqualGUID(CLSID_PaletteLoader, loader));
  EXPECT_TRUE(IsEqualGUID(IID_IFontFile, iFontFile));
  EXPECT_TRUE(IsEqualGUID(IID_IPaletteLoader, iLoader));
}

TEST(ZolmcomInterfaces, PaletteLoaderOperationsSitInSlotsSevenToTen) {
  FakePaletteLoader fake;
  for (int slot = 7; slot <= 10; ++slot) {
    EXPECT_EQ(callSlot(static_cast<IPaletteLoader*>(&fake), slot), slot);
    EXPECT_EQ(fake.lastCalled, slot);
  }
}
