// The object wrappers and instance creators on a small dual-interface class of
// the test's own: interface lookup, reference counting, the module lock each
// object holds, destruction, and aggregation under an outer object.
#include "server/comObject.h"

#include <gtest/gtest.h>

#include "tests/comFakes.h"

namespace {

const IID IID_ITestThing = {0x1A2B3C4D, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
const CLSID CLSID_TestThing = {0x1A2B3C4D, 0x0003, 0x0004, {1, 2, 3, 4, 5, 6, 7, 8}};

struct ITestThing : public IDispatch {
  STDMETHOD(Ping)(LONG* value) PURE;
};

class CTestThing : public CComObjectRootEx<CComSingleThreadModel>,
                   public CComCoClass<CTestThing, &CLSID_TestThing>,
                   public ITestThing {
 public:
  static int alive;
  static LONG countSeenByDestructor;
  CTestThing() { ++alive; }
  ~CTestThing() {
    --alive;
    countSeenByDestructor = refCount;
  }

  static const InterfaceMapEntry* GetInterfaceMap() {
    return DualInterfaceMap<CTestThing, ITestThing, &IID_ITestThing>();
  }

  // IDispatch: not under test here.
  STDMETHOD(GetTypeInfoCount)(UINT*) override { return E_NOTIMPL; }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                    UINT*) override {
    return E_NOTIMPL;
  }
  // ITestThing
  STDMETHOD(Ping)(LONG* value) override {
    *value = 42;
    return S_OK;
  }
};
int CTestThing::alive = 0;
LONG CTestThing::countSeenByDestructor = 0;

using Outer = comfakes::CountingOuter;

TEST(ObjectWrappers, DualInterfaceSitsAtTheObjectAddress) {
  EXPECT_EQ((OffsetOfBase<ITestThing, CTestThing>()), 0u);
}

TEST(ObjectWrappers, PlainObjectAnswersItsInterfacesAtOneAddress) {
  void* raw = nullptr;
  ASSERT_EQ(PlainObjectCreator<CTestThing>(nullptr, IID_ITestThing, &raw), S_OK);
  ITestThing* thing = static_cast<ITestThing*>(raw);
  void* unknown = nullptr;
  void* dispatch = nullptr;
  ASSERT_EQ(thing->QueryInterface(IID_IUnknown, &unknown), S_OK);
  ASSERT_EQ(thing->QueryInterface(IID_IDispatch, &dispatch), S_OK);
  EXPECT_EQ(unknown, raw);
  EXPECT_EQ(dispatch, raw);
  LONG value = 0;
  EXPECT_EQ(thing->Ping(&value), S_OK);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(thing->Release(), 2u);
  EXPECT_EQ(thing->Release(), 1u);
  EXPECT_EQ(thing->Release(), 0u);
}

TEST(ObjectWrappers, UnknownInterfaceGivesNoInterfaceAndNullOut) {
  void* raw = nullptr;
  ASSERT_EQ(PlainObjectCreator<CTestThing>(nullptr, IID_IDispatch, &raw), S_OK);
  void* other = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(static_cast<IUnknown*>(raw)->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(static_cast<IUnknown*>(raw)->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  static_cast<IUnknown*>(raw)->Release();
}

TEST(ObjectWrappers, ObjectLocksModuleUntilLastRelease) {
  const LONG before = theModule.GetLockCount();
  void* raw = nullptr;
  ASSERT_EQ(PlainObjectCreator<CTestThing>(nullptr, IID_IUnknown, &raw), S_OK);
  EXPECT_EQ(theModule.GetLockCount(), before + 1);
  EXPECT_EQ(CTestThing::alive, 1);
  static_cast<IUnknown*>(raw)->Release();
  EXPECT_EQ(theModule.GetLockCount(), before);
  EXPECT_EQ(CTestThing::alive, 0);
  EXPECT_EQ(CTestThing::countSeenByDestructor, CComObjectRootBase::kDestroyedCount);
}

TEST(ObjectWrappers, FailedFirstQueryDestroysTheObject) {
  const LONG before = theModule.GetLockCount();
  void* raw = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(PlainObjectCreator<CTestThing>(nullptr, IID_IClassFactory, &raw), E_NOINTERFACE);
  EXPECT_EQ(raw, nullptr);
  EXPECT_EQ(CTestThing::alive, 0);
  EXPECT_EQ(theModule.GetLockCount(), before);
  EXPECT_EQ(PlainObjectCreator<CTestThing>(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

TEST(Aggregation, InnerUnknownIsTheAggregatesOwn) {
  Outer outer;
  void* raw = nullptr;
  ASSERT_EQ(InstanceCreator<CTestThing>(&outer, IID_IUnknown, &raw), S_OK);
  IUnknown* inner = static_cast<IUnknown*>(raw);
  EXPECT_EQ(outer.count, 1);  // the inner unknown does not count on the outer object

  void* asThing = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_ITestThing, &asThing), S_OK);
  EXPECT_NE(asThing, raw);
  EXPECT_EQ(outer.count, 2);  // the answer's reference went to the outer object
  ITestThing* thing = static_cast<ITestThing*>(asThing);
  thing->AddRef();
  EXPECT_EQ(outer.count, 3);
  thing->Release();
  thing->Release();
  EXPECT_EQ(outer.count, 1);

  void* back = nullptr;
  EXPECT_EQ(thing->QueryInterface(IID_IUnknown, &back), E_NOINTERFACE);  // the outer answers

  EXPECT_EQ(CTestThing::alive, 1);
  EXPECT_EQ(inner->Release(), 0u);
  EXPECT_EQ(CTestThing::alive, 0);
}

TEST(Aggregation, AggregateLocksModule) {
  Outer outer;
  const LONG before = theModule.GetLockCount();
  void* raw = nullptr;
  ASSERT_EQ(AggregatedObjectCreator<CTestThing>(&outer, IID_IUnknown, &raw), S_OK);
  EXPECT_EQ(theModule.GetLockCount(), before + 1);
  static_cast<IUnknown*>(raw)->Release();
  EXPECT_EQ(theModule.GetLockCount(), before);
}

}  // namespace
