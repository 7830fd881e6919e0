// CComCriticalSection: the platform's critical section (re-entrant on the
// thread that holds it) with an initialisation that reports failure, as the
// module records need: a record whose lock could not be made stays unusable.
#pragma once

#include "platform/synchapi.h"
#include "platform/wintypes.h"

class CComCriticalSection {
 public:
  // S_OK, or E_OUTOFMEMORY when the platform cannot make the lock.
  HRESULT Init();
  void Lock() { EnterCriticalSection(&section); }
  void Unlock() { LeaveCriticalSection(&section); }
  void Term() { DeleteCriticalSection(&section); }

 private:
  CRITICAL_SECTION section;
};

// Holds a CComCriticalSection for the lifetime of a scope.
class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CComCriticalSection& lock) : held(lock) { held.Lock(); }
  ~CriticalSectionLock() { held.Unlock(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CComCriticalSection& held;
};
