// Critical sections and interlocked operations on Linux.
//
// A CRITICAL_SECTION is re-entrant, as the platform's is: the thread that
// holds it may enter it again and must leave it as often. The interlocked
// operations are sequentially consistent and inline, so a reference count
// costs no call into libzolmplatform.so.
#pragma once

#include "platform/host/wintypes.h"

#include <pthread.h>

struct CRITICAL_SECTION {
  pthread_mutex_t mutex;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

extern "C" {
ZOLMPLATFORM_API BOOL WINAPI InitializeCriticalSectionAndSpinCount(
    LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount);
ZOLMPLATFORM_API void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
ZOLMPLATFORM_API void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
ZOLMPLATFORM_API void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
}  // extern "C"

// Each returns the new value.
inline LONG InterlockedIncrement(LONG volatile* Addend) {
  return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedDecrement(LONG volatile* Addend) {
  return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
