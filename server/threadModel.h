// The two threading models of the object roots: plain counting for objects
// that live in one apartment, atomic counting for what apartments share (the
// class factories).
#pragma once

#include "platform/synchapi.h"
#include "platform/wintypes.h"

struct CComSingleThreadModel {
  static ULONG Increment(LONG* value) { return static_cast<ULONG>(++*value); }
  static ULONG Decrement(LONG* value) { return static_cast<ULONG>(--*value); }
};

struct CComMultiThreadModel {
  static ULONG Increment(LONG* value) { return static_cast<ULONG>(InterlockedIncrement(value)); }
  static ULONG Decrement(LONG* value) { return static_cast<ULONG>(InterlockedDecrement(value)); }
};
