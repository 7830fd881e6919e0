// ThisModuleImage: the address at which this library's image is loaded, the
// instance handle for its own file name and resources. Windows names it
// __ImageBase; on the host the dynamic loader tells which object holds this
// function.
#include "server/comModule.h"

#ifdef _WIN32
extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE ThisModuleImage() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
#else
#include <dlfcn.h>

HINSTANCE ThisModuleImage() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ThisModuleImage), &info) == 0) return nullptr;
  return static_cast<HINSTANCE>(info.dli_fbase);
}
#endif
