// VARIANT life: clearing releases what the VARIANT owns (and nothing it only
// points at), copying duplicates strings and adds references.
#include "platform/oleauto.h"

#include <gtest/gtest.h>

#include "tests/comFakes.h"

namespace {

// Counts its references; never deleted by Release, so a test can look.
struct CountedObject : comfakes::FakeDispatch<> {
  ULONG refs = 1;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

}  // namespace

TEST(Variant, ClearReleasesOwnedObjectsOnly) {
  CountedObject object;
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(v.vt, VT_EMPTY);
  v.vt = VT_DISPATCH;
  v.pdispVal = &object;
  object.AddRef();
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(object.refs, 1u);
  EXPECT_EQ(v.vt, VT_EMPTY);

  IDispatch* pointer = &object;
  v.vt = VT_DISPATCH | VT_BYREF;
  v.ppdispVal = &pointer;
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(object.refs, 1u);
}

TEST(Variant, ClearRefusesUnknownTags) {
  VARIANT v;
  VariantInit(&v);
  v.vt = 0x0FFF;
  EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
  EXPECT_EQ(v.vt, 0x0FFF);
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(Variant, CopyDuplicatesStringsAndAddsReferences) {
  VARIANT src, dst;
  VariantInit(&src);
  VariantInit(&dst);
  src.vt = VT_BSTR;
  src.bstrVal = SysAllocString(OLESTR("abc"));
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_EQ(dst.vt, VT_BSTR);
  EXPECT_NE(dst.bstrVal, src.bstrVal);
  EXPECT_EQ(SysStringLen(dst.bstrVal), 3u);
  VariantClear(&src);

  CountedObject object;
  src.vt = VT_UNKNOWN;
  src.punkVal = &object;
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);  // also frees the copied string
  EXPECT_EQ(object.refs, 2u);
  VariantClear(&dst);
  EXPECT_EQ(object.refs, 1u);
  EXPECT_EQ(VariantCopy(&src, &src), S_OK);
  EXPECT_EQ(object.refs, 1u);
}
