// What apartments share, and how the frame guards it: the platform's critical
// section (re-entrant on the thread that holds it) with an initialisation that
// reports failure, as the module records need, since a record whose lock could
// not be made stays unusable; the two threading models of the object roots;
// and pointers that one thread publishes under a lock while others read them
// without it (the cached class factories, the loaded type information).
#pragma once

#include "platform/synchapi.h"
#include "platform/wintypes.h"

class CComCriticalSection {
 public:
  // S_OK, or E_OUTOFMEMORY when the platform cannot make the lock.
  HRESULT Init() {
    if (!InitializeCriticalSectionAndSpinCount(&section, 0)) return E_OUTOFMEMORY;
    return S_OK;
  }
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

// Plain counting for objects that live in one apartment.
struct CComSingleThreadModel {
  static ULONG Increment(LONG* value) { return static_cast<ULONG>(++*value); }
  static ULONG Decrement(LONG* value) { return static_cast<ULONG>(--*value); }
};

// Atomic counting for what apartments share (the class factories).
struct CComMultiThreadModel {
  static ULONG Increment(LONG* value) { return static_cast<ULONG>(InterlockedIncrement(value)); }
  static ULONG Decrement(LONG* value) { return static_cast<ULONG>(InterlockedDecrement(value)); }
};

// A published pointer: the write releases and the unlocked read acquires, so
// a reader that sees the pointer also sees everything made before it was
// stored.
template <class T>
T* LoadPublished(T* const* place) {
  return __atomic_load_n(place, __ATOMIC_ACQUIRE);
}

template <class T>
void Publish(T** place, T* value) {
  __atomic_store_n(place, value, __ATOMIC_RELEASE);
}
