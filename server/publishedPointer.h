// Pointers that one thread publishes under a lock and others read without it
// (the cached class factories, the loaded type information): the write
// releases and the unlocked read acquires, so a reader that sees the pointer
// also sees everything made before it was stored.
#pragma once

template <class T>
T* LoadPublished(T* const* place) {
  return __atomic_load_n(place, __ATOMIC_ACQUIRE);
}

template <class T>
void Publish(T** place, T* value) {
  __atomic_store_n(place, value, __ATOMIC_RELEASE);
}
