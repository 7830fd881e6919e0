// The module, its cached class factories and the entry points, on the
// library's own two classes: factory caching, unknown classes, the lock count
// that DllCanUnloadNow reports, LockServer, aggregation through the factory,
// the cleanup list and Term.
#include "server/comModule.h"

#include <gtest/gtest.h>

#include <vector>

#include "automation/entryPoints.h"
#include "automation/zolmcomInterfaces.h"
#include "tests/comFakes.h"

namespace {

const CLSID kUnknownClass = {0xDEADBEEF, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

IClassFactory* Factory(REFCLSID clsid) {
  void* out = nullptr;
  EXPECT_EQ(DllGetClassObject(clsid, IID_IClassFactory, &out), S_OK);
  return static_cast<IClassFactory*>(out);
}

using Outer = comfakes::CountingOuter;

TEST(ClassObjects, FactoryIsMadeOnceAndCached) {
  for (const CLSID* clsid : {&CLSID_FontFile, &CLSID_PaletteLoader}) {
    IClassFactory* first = Factory(*clsid);
    IClassFactory* second = Factory(*clsid);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    first->Release();
    second->Release();
  }
  IClassFactory* fontFactory = Factory(CLSID_FontFile);
  IClassFactory* paletteFactory = Factory(CLSID_PaletteLoader);
  EXPECT_NE(fontFactory, paletteFactory);
  fontFactory->Release();
  paletteFactory->Release();
}

TEST(ClassObjects, UnknownClassLeavesOutNull) {
  void* out = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(DllGetClassObject(kUnknownClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(DllGetClassObject(kUnknownClass, IID_IClassFactory, nullptr), E_POINTER);
}

TEST(ClassObjects, FactoryRefusingInterfaceIsStillCached) {
  ASSERT_EQ(automaticClassEntryCount, 1u);
  ObjectMapEntry* paletteRow = automaticClassEntries[0];
  EXPECT_EQ(paletteRow->classObject, nullptr);
  void* out = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(DllGetClassObject(CLSID_PaletteLoader, IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_NE(paletteRow->classObject, nullptr);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(ClassObjects, FactoryAnswersOnlyItsOwnInterfaces) {
  IClassFactory* factory = Factory(CLSID_FontFile);
  void* out = nullptr;
  ASSERT_EQ(factory->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, factory);
  static_cast<IUnknown*>(out)->Release();
  ASSERT_EQ(factory->QueryInterface(IID_IClassFactory, &out), S_OK);
  EXPECT_EQ(out, factory);
  static_cast<IUnknown*>(out)->Release();
  out = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(factory->QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  factory->Release();
}

TEST(UnloadCheck, HeldFactoryKeepsModuleLoaded) {
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  IClassFactory* factory = Factory(CLSID_PaletteLoader);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  IClassFactory* again = Factory(CLSID_PaletteLoader);
  again->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(UnloadCheck, LockServerHoldsUntilUnlocked) {
  IClassFactory* factory = Factory(CLSID_FontFile);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  EXPECT_EQ(theModule.GetLockCount(), 1);
  factory = Factory(CLSID_FontFile);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(UnloadCheck, LiveObjectKeepsModuleLoaded) {
  IClassFactory* factory = Factory(CLSID_PaletteLoader);
  void* object = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPaletteLoader, &object), S_OK);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  EXPECT_EQ(theModule.GetLockCount(), 1);
  static_cast<IUnknown*>(object)->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(CreateInstance, PlainObjectAnswersItsInterfaces) {
  IClassFactory* factory = Factory(CLSID_FontFile);
  void* object = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), S_OK);
  IUnknown* unknown = static_cast<IUnknown*>(object);
  for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IFontFile}) {
    void* answer = nullptr;
    ASSERT_EQ(unknown->QueryInterface(*iid, &answer), S_OK);
    EXPECT_EQ(answer, object);
    static_cast<IUnknown*>(answer)->Release();
  }
  void* none = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(unknown->QueryInterface(IID_IPaletteLoader, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(unknown->Release(), 0u);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, nullptr), E_POINTER);
  factory->Release();
}

TEST(CreateInstance, AggregationNeedsUnknown) {
  Outer outer;
  IClassFactory* factory = Factory(CLSID_FontFile);
  void* object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the factory is still held

  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), S_OK);
  IUnknown* inner = static_cast<IUnknown*>(object);
  void* fontFile = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IFontFile, &fontFile), S_OK);
  EXPECT_NE(fontFile, object);
  EXPECT_EQ(outer.count, 2);
  static_cast<IFontFile*>(fontFile)->AddRef();
  EXPECT_EQ(outer.count, 3);
  static_cast<IFontFile*>(fontFile)->Release();
  static_cast<IFontFile*>(fontFile)->Release();
  EXPECT_EQ(outer.count, 1);
  EXPECT_EQ(inner->Release(), 0u);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

std::vector<int> cleanupOrder;
void RecordCleanup(DWORD_PTR argument) { cleanupOrder.push_back(static_cast<int>(argument)); }

TEST(Cleanup, RunsNewestFirstAtTermAndOnlyOnce) {
  ASSERT_EQ(theModule.AddCleanup(&RecordCleanup, 1), S_OK);
  ASSERT_EQ(theModule.AddCleanup(&RecordCleanup, 2), S_OK);
  ASSERT_EQ(theModule.AddCleanup(&RecordCleanup, 3), S_OK);
  IClassFactory* factory = Factory(CLSID_FontFile);
  factory->Release();
  ASSERT_NE(moduleObjectMap[0].classObject, nullptr);

  theModule.Term();
  EXPECT_EQ(cleanupOrder, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(theModule.cleanupList, nullptr);
  EXPECT_EQ(theModule.structSize, 0u);
  EXPECT_EQ(moduleObjectMap[0].classObject, nullptr);
  theModule.Term();  // a second termination finds nothing left to do
  EXPECT_EQ(cleanupOrder.size(), 3u);
}

// The host registers no global interface table, so its creation fails and
// the failure comes back unchanged, with `out` left alone.
TEST(GlobalInterfaceTable, CreationFailureIsReturned) {
  EXPECT_EQ(theModule.GetGlobalInterfaceTable(nullptr), E_POINTER);
  IGlobalInterfaceTable* table = reinterpret_cast<IGlobalInterfaceTable*>(0x1234);
  EXPECT_EQ(theModule.GetGlobalInterfaceTable(&table), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(table, reinterpret_cast<IGlobalInterfaceTable*>(0x1234));
  EXPECT_EQ(theModule.globalInterfaceTable, nullptr);
}

TEST(Startup, RecordsAreReadyBeforeFirstCall) {
  EXPECT_TRUE(IsEqualGUID(libraryId, LIBID_ZOLMCOMLib));
  EXPECT_EQ(currentModule, &theModule);
  EXPECT_NE(theModule.structSize, 0u);
  EXPECT_NE(ClassRegistry.structSize, 0u);
  EXPECT_EQ(ClassRegistry.typeLibInstance, ThisModuleImage());
  EXPECT_EQ(theModule.objectMap, moduleObjectMap);
  EXPECT_TRUE(IsEqualGUID(*moduleObjectMap[0].clsid, CLSID_FontFile));
  EXPECT_EQ(moduleObjectMap[1].clsid, nullptr);
  EXPECT_EQ(ClassRegistry.lastEntry - ClassRegistry.firstEntry, 1);
  EXPECT_TRUE(IsEqualGUID(*ClassRegistry.firstEntry[0]->clsid, CLSID_PaletteLoader));
}

}  // namespace
