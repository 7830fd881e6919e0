// Critical sections are re-entrant and exclude other threads; interlocked
// operations return the new value, as the platform documents.
#include "platform/synchapi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

TEST(CriticalSection, HolderMayEnterAgain) {
  CRITICAL_SECTION cs;
  ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&cs, 0));
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);  // would hang if not re-entrant
  LeaveCriticalSection(&cs);
  std::atomic<bool> otherGotIn{false};
  std::thread other([&] {
    EnterCriticalSection(&cs);
    otherGotIn = true;
    LeaveCriticalSection(&cs);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(otherGotIn);  // still held once
  LeaveCriticalSection(&cs);
  other.join();
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

TEST(Interlocked, ResultsAreTheNewValue) {
  LONG volatile v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(InterlockedDecrement(&v), 5);
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
