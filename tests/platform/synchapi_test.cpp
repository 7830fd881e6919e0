// Critical sections are re-entrant and exclude other threads; interlocked
// operations return the values the platform documents.
#include "platform/synchapi.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(CriticalSection, HolderMayEnterAgain) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);  // would hang if not re-entrant
  LeaveCriticalSection(&cs);
  bool otherGotIn = true;
  std::thread other([&] { otherGotIn = TryEnterCriticalSection(&cs) != FALSE; });
  other.join();
  EXPECT_FALSE(otherGotIn);  // still held once
  LeaveCriticalSection(&cs);
  std::thread again([&] {
    otherGotIn = TryEnterCriticalSection(&cs) != FALSE;
    if (otherGotIn) LeaveCriticalSection(&cs);
  });
  again.join();
  EXPECT_TRUE(otherGotIn);
  DeleteCriticalSection(&cs);
}

TEST(CriticalSection, ExcludesOtherThreads) {
  CRITICAL_SECTION cs;
  ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&cs, 4000));
  long plain = 0;  // guarded only by the critical section
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&cs);
        ++plain;
        LeaveCriticalSection(&cs);
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(plain, 40000);
  DeleteCriticalSection(&cs);
}

TEST(Interlocked, ResultsAreTheNewOrPreviousValue) {
  LONG volatile v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(InterlockedDecrement(&v), 5);
  EXPECT_EQ(InterlockedExchange(&v, 10), 5);
  EXPECT_EQ(InterlockedCompareExchange(&v, 20, 99), 10);  // no match: unchanged
  EXPECT_EQ(v, 10);
  EXPECT_EQ(InterlockedCompareExchange(&v, 20, 10), 10);
  EXPECT_EQ(v, 20);
  int a = 0, b = 0;
  void* volatile p = &a;
  EXPECT_EQ(InterlockedCompareExchangePointer(&p, &b, &a), &a);
  EXPECT_EQ(p, &b);
}

TEST(Interlocked, CountsFromManyThreadsAddUp) {
  LONG volatile count = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        InterlockedIncrement(&count);
        InterlockedIncrement(&count);
        InterlockedDecrement(&count);
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(count, 40000);
}
