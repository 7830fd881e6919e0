// cSaveTarget: a save goes into a temporary file beside its target and
// replaces the target only when whole, so that a full disk, a failed write
// or a second save at the same time never leaves a broken picture behind.
#include "image/saveTarget.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <new>

namespace {

size_t nameLength(LPCWSTR name) {
  size_t length = 0;
  while (name[length] != 0) ++length;
  return length;
}

// Length of the folder part of `name`, its last separator included; 0 for
// a name in the current folder.
size_t folderLength(LPCWSTR name, size_t length) {
  for (size_t i = length; i > 0; --i) {
    const WCHAR c = name[i - 1];
    if (c == '/' || c == '\\') return i;
#ifdef _WIN32
    if (c == ':' && i == 2) return i;  // "C:name"
#endif
  }
  return 0;
}

WCHAR* copyOf(LPCWSTR name, size_t length) {
  WCHAR* copy = new (std::nothrow) WCHAR[length + 1];
  if (!copy) return nullptr;
  for (size_t i = 0; i <= length; ++i) copy[i] = name[i];
  return copy;
}

// A number that differs between saves running at the same time: those of
// one process by the counter, those of different processes (most likely)
// by the clock and the address of the object. Creating the file exclusively
// settles any clash.
uint32_t freshNumber(const void* self) {
  static std::atomic<uint32_t> counter{0};
  const uint64_t ticks =
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  uint64_t mixed = ticks ^ (reinterpret_cast<uintptr_t>(self) << 16) ^
                   (uint64_t{counter.fetch_add(1, std::memory_order_relaxed)} * 0x9E3779B97F4A7C15u);
  mixed ^= mixed >> 29;
  mixed *= 0xBF58476D1CE4E5B9u;
  return static_cast<uint32_t>(mixed ^ (mixed >> 32));
}

constexpr int kNameAttempts = 100;

// The full name of the file `handle` has open, links followed, or null when
// the platform cannot say (the given name then serves).
WCHAR* finalNameOf(HANDLE handle) {
  const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
  const DWORD size = GetFinalPathNameByHandleW(handle, nullptr, 0, flags);
  if (size == 0) return nullptr;
  WCHAR* name = new (std::nothrow) WCHAR[size];
  if (!name) return nullptr;
  const DWORD length = GetFinalPathNameByHandleW(handle, name, size, flags);
  if (length == 0 || length >= size) {
    delete[] name;
    return nullptr;
  }
  return name;
}

}  // namespace

cSaveTarget::~cSaveTarget() { abandon(); }

int32_t cSaveTarget::fail(uint32_t code) {
  lastError = code;
  return 0;
}

void cSaveTarget::forgetNames() {
  delete[] targetName;
  delete[] temporaryName;
  targetName = temporaryName = nullptr;
}

int32_t cSaveTarget::open(LPCWSTR target) {
  abandon();
  lastError = 0;
  targetExisted = false;
  std::unique_ptr<WCHAR[]> finalName;
  // The target as it is: a pipe or a device is written straight; a regular
  // file is only looked at (opening it for writing without truncating
  // asks the platform whether this save may replace it).
  HANDLE existing = CreateFileW(target, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (existing == INVALID_HANDLE_VALUE || existing == nullptr) {
    const uint32_t code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND) return fail(code);
  } else if (GetFileType(existing) != FILE_TYPE_DISK) {
    file = existing;
    return 1;
  } else {
    // Through a symbolic link the save goes to the file the link names,
    // so that the link stays a link; the temporary file then sits beside
    // that file, on its disk.
    finalName.reset(finalNameOf(existing));
    CloseHandle(existing);
    if (finalName) target = finalName.get();
    targetExisted = true;
  }

  const size_t length = nameLength(target);
  const size_t folder = folderLength(target, length);
  // folder + ".zolmcom-" + 8 hex digits + ".tmp"
  static const char kPrefix[] = ".zolmcom-";
  static const char kSuffix[] = ".tmp";
  const size_t temporaryLength = folder + (sizeof kPrefix - 1) + 8 + (sizeof kSuffix - 1);
  targetName = copyOf(target, length);
  temporaryName = new (std::nothrow) WCHAR[temporaryLength + 1];
  if (!targetName || !temporaryName) {
    forgetNames();
    return fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  for (size_t i = 0; i < folder; ++i) temporaryName[i] = target[i];
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    WCHAR* at = temporaryName + folder;
    for (const char* c = kPrefix; *c; ++c) *at++ = static_cast<WCHAR>(*c);
    const uint32_t number = freshNumber(this);
    for (int shift = 28; shift >= 0; shift -= 4)
      *at++ = static_cast<WCHAR>("0123456789abcdef"[(number >> shift) & 0xF]);
    for (const char* c = kSuffix; *c; ++c) *at++ = static_cast<WCHAR>(*c);
    *at = 0;
    HANDLE created = CreateFileW(temporaryName, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created != INVALID_HANDLE_VALUE && created != nullptr) {
      file = created;
      return 1;
    }
    const uint32_t code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      forgetNames();
      return fail(code);
    }
  }
  forgetNames();
  return fail(ERROR_FILE_EXISTS);
}

int32_t cSaveTarget::commit() {
  if (file == nullptr) return fail(ERROR_INVALID_HANDLE);
  if (!temporaryName) {
    // Straight to a pipe or a device: nothing to put on a disk or in place.
    const bool closed = CloseHandle(file) != 0;
    file = nullptr;
    return closed ? 1 : fail(GetLastError());
  }
  if (!FlushFileBuffers(file)) {
    const uint32_t code = GetLastError();
    abandon();
    return fail(code);
  }
  const bool closed = CloseHandle(file) != 0;
  file = nullptr;
  if (!closed || !putInPlace()) {
    const uint32_t code = GetLastError();
    // Once the platform has removed the target without moving the new
    // file in, the temporary file holds the only copy: it stays.
    if (code != ERROR_UNABLE_TO_MOVE_REPLACEMENT) DeleteFileW(temporaryName);
    forgetNames();
    return fail(code);
  }
  forgetNames();
  return 1;
}

bool cSaveTarget::putInPlace() {
  constexpr DWORD kMove = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (!targetExisted) return MoveFileExW(temporaryName, targetName, kMove) != 0;
  // Replacing keeps what the target was besides its bytes: who may read
  // it, its attributes.
  if (ReplaceFileW(targetName, temporaryName, nullptr,
                   REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                   nullptr))
    return true;
  const DWORD code = GetLastError();
  // Removed since it was opened, or removed by the platform in the attempt.
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
    if (MoveFileExW(temporaryName, targetName, kMove)) return true;
    SetLastError(code);
  }
  return false;
}

void cSaveTarget::abandon() {
  if (file != nullptr) CloseHandle(file);
  file = nullptr;
  if (temporaryName) DeleteFileW(temporaryName);
  forgetNames();
}
