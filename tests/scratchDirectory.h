// A scratch directory of this process's own, made from a mkdtemp pattern and
// removed with everything in it when the process ends, so that test and
// benchmark runs leave nothing behind. A child the process forks does not
// remove it.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace testscratch {

inline std::vector<std::string>& madeHere() {
  static auto* made = new std::vector<std::string>;  // outlives the exit handler
  return *made;
}

// The directory `pattern` names (ending in XXXXXX); "/tmp" when none could
// be made.
inline std::string makeDirectory(const char* pattern) {
  std::string name = pattern;
  if (mkdtemp(name.data()) == nullptr) return "/tmp";
  static const pid_t owner = getpid();
  if (madeHere().empty())
    std::atexit([] {
      if (getpid() != owner) return;
      std::error_code ignored;
      for (const std::string& directory : madeHere()) std::filesystem::remove_all(directory, ignored);
    });
  madeHere().push_back(name);
  return name;
}

}  // namespace testscratch
