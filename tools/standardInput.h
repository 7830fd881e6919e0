// Standard input as a file: the image library reads files by name, so a
// picture given as "-" is first copied into a temporary file, which goes
// away with this object.
#pragma once

#include <cstdint>
#include <string>

class standardInputFile {
 public:
  standardInputFile() = default;
  ~standardInputFile();
  standardInputFile(const standardInputFile&) = delete;
  standardInputFile& operator=(const standardInputFile&) = delete;

  // Copies all of standard input into a new temporary file; 0 on success,
  // else the platform's code of the failure.
  uint32_t spool();
  // The temporary file's name (UTF-8), once spooled.
  const std::string& path() const { return name; }

 private:
  std::string name;
};
