// Several threads create objects of both classes and dispatch by name at once
// on a fresh module: every call must succeed, and each interface's type
// information must be loaded exactly once (one cleanup registration per
// holder). Built under ThreadSanitizer too (scripts/test.d/50-host-tsan).
#include "server/typeInfoHolder.h"

#include <atomic>
#include <thread>
#include <vector>

#include "automation/fontFile.h"
#include "automation/paletteLoader.h"
#include "server/comModule.h"
#include "tests/server/dispatchFixture.h"

namespace {

using namespace dispatch_test;

int CleanupRegistrationsOf(const void* holder) {
  int count = 0;
  for (CleanupNode* node = theModule.cleanupList; node != nullptr; node = node->next) {
    if (node->argument == reinterpret_cast<DWORD_PTR>(holder)) ++count;
  }
  return count;
}

void Work(std::atomic<int>& ready, int threads, std::atomic<int>& failures) {
  ready.fetch_add(1);
  while (ready.load() < threads) std::this_thread::yield();
  for (int round = 0; round < 20; ++round) {
    IDispatch* loader = Create(CLSID_PaletteLoader);
    IDispatch* fonts = Create(CLSID_FontFile);
    if (loader == nullptr || fonts == nullptr) {
      failures.fetch_add(1);
      return;
    }
    DISPID id = 0;
    if (IdOf(loader, round % 2 ? u"ColorCount" : u"COLORCOUNT", &id) != S_OK || id != 2)
      failures.fetch_add(1);
    VARIANT result;
    VariantInit(&result);
    if (Call(loader, id, DISPATCH_PROPERTYGET, {}, &result) != S_OK) failures.fetch_add(1);
    VariantClear(&result);
    if (IdOf(fonts, u"GetFontDirectory", &id) != S_OK || id != 2) failures.fetch_add(1);
    loader->Release();
    fonts->Release();
  }
}

TEST(DispatchThreads, TypeInformationIsLoadedOnce) {
  ASSERT_EQ(RegisterTypeLibrary(), S_OK);
  ASSERT_EQ(CPaletteLoader::typeInfoHolder.typeInfo, nullptr);
  ASSERT_EQ(CFontFile::typeInfoHolder.typeInfo, nullptr);

  const int threads = 8;
  std::atomic<int> ready{0};
  std::atomic<int> failures{0};
  std::vector<std::thread> workers;
  for (int i = 0; i < threads; ++i)
    workers.emplace_back(Work, std::ref(ready), threads, std::ref(failures));
  for (std::thread& worker : workers) worker.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(CleanupRegistrationsOf(&CPaletteLoader::typeInfoHolder), 1);
  EXPECT_EQ(CleanupRegistrationsOf(&CFontFile::typeInfoHolder), 1);
  EXPECT_NE(CPaletteLoader::typeInfoHolder.nameCache, nullptr);
  EXPECT_EQ(CPaletteLoader::typeInfoHolder.nameCount, 4);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
