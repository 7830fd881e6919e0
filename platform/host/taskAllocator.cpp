// The task allocator on the host: blocks that one side allocates and the
// other frees (expanded registry scripts, GUID strings) come from here.
#include "platform/host/objbase.h"

#include <cstdlib>

extern "C" {

// A request for 0 bytes still gets a block of its own, as on the platform.
LPVOID CoTaskMemAlloc(SIZE_T size) { return std::malloc(size == 0 ? 1 : size); }

// A null block is a fresh allocation; on failure the old block stays valid.
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size) {
  return std::realloc(block, size == 0 ? 1 : size);
}

void CoTaskMemFree(LPVOID block) { std::free(block); }

}  // extern "C"
