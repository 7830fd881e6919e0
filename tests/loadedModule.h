// A shared object loaded for its code, for the tests that hand the frame a
// module handle: the handle is the address the object is mapped at, as the
// platform's module handles are. The host's LoadLibraryExA maps files as data
// only, so the dynamic loader is asked directly.
#pragma once

#include <dlfcn.h>
#include <link.h>

#include <string>

#include "platform/wintypes.h"

class LoadedModule {
 public:
  explicit LoadedModule(const std::string& path)
      : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    link_map* map = nullptr;
    Dl_info info;
    if (handle_ && dlinfo(handle_, RTLD_DI_LINKMAP, &map) == 0 && dladdr(map->l_ld, &info) != 0)
      base_ = static_cast<HMODULE>(info.dli_fbase);
  }
  ~LoadedModule() {
    if (handle_) dlclose(handle_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  HMODULE get() const { return base_; }

 private:
  void* handle_;
  HMODULE base_ = nullptr;
};
