// The file a save writes into. A regular file (or a name not yet taken) is
// never written in place: the bytes go into a new temporary file in the
// same folder, which replaces the target in one step only once every byte
// is written and on the disk; a failed save removes it and leaves the
// target as it was. A target that is not a regular file (a pipe, a device)
// cannot be replaced and is written straight. A replaced file keeps its
// permissions and attributes, and a symbolic link stays a link: the file it
// names is the one replaced.
#pragma once

#include <cstdint>

#include "platform/fileapi.h"

class cSaveTarget {
 public:
  cSaveTarget() = default;
  // Abandons a save still open.
  ~cSaveTarget();
  cSaveTarget(const cSaveTarget&) = delete;
  cSaveTarget& operator=(const cSaveTarget&) = delete;

  // Opens the file the bytes for `target` go into; 1 on success, 0 with
  // the platform's code in error(). A target that exists but cannot be
  // written (no permission, shared) is refused as the platform refuses it.
  int32_t open(LPCWSTR target);
  // The open file, or null.
  HANDLE handle() const { return file; }
  // False when the bytes go straight to the target (a pipe, a device).
  bool replaces() const { return temporaryName != nullptr; }
  // Puts the bytes on the disk, closes the file and puts it in the target's
  // place; 1 on success, 0 with the platform's code in error() (the
  // temporary file is then gone and the target untouched).
  int32_t commit();
  // Closes the file and removes the temporary one; the target stays as it was.
  void abandon();
  uint32_t error() const { return lastError; }

 private:
  int32_t fail(uint32_t code);
  void forgetNames();
  // Moves the whole temporary file to the target's name; false with the
  // platform's code as its last error.
  bool putInPlace();

  HANDLE file = nullptr;
  WCHAR* targetName = nullptr;     // owned copy, while a replacing save is open
  WCHAR* temporaryName = nullptr;  // owned
  bool targetExisted = false;
  uint32_t lastError = 0;
};
