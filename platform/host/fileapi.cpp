// The platform's file calls over POSIX descriptors. A handle is a small
// record holding the descriptor and the access it was opened with, tagged so
// that a stale or foreign handle is refused with ERROR_INVALID_HANDLE rather
// than touching an unrelated descriptor.
#include "platform/host/fileapi.h"

#include "platform/host/utf.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

constexpr uint32_t kFileTag = 0x46494C45;  // "FILE"

struct HostFile {
  uint32_t tag;
  int fd;
  DWORD access;
};

// The standard streams' records live as long as the process; closing one
// closes its descriptor but keeps the record.
HostFile standardFiles[3] = {{kFileTag, 0, GENERIC_READ},
                             {kFileTag, 1, GENERIC_WRITE},
                             {kFileTag, 2, GENERIC_WRITE}};

bool isStandard(const HostFile* file) {
  return file >= standardFiles && file < standardFiles + 3;
}

HostFile* fileOf(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  HostFile* file = static_cast<HostFile*>(handle);
  return file->tag == kFileTag ? file : nullptr;
}

// errno as the platform's error code.
DWORD errorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EROFS: return ERROR_WRITE_PROTECT;
    case ETXTBSY:
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ELOOP: return ERROR_BAD_PATHNAME;
    default: return ERROR_GEN_FAILURE;
  }
}

BOOL fail(DWORD code) {
  lastError = code;
  return FALSE;
}

// UTF-16 to the name's bytes: UTF-8, and the escapes of bytes that are not
// UTF-8 (utf.h) as those bytes, so that every name a conversion from bytes
// gave opens exactly that file. Any other lone surrogate is no name.
bool toUtf8(LPCWSTR name, std::string& out) {
  const size_t length = std::char_traits<char16_t>::length(name);
  for (size_t i = 0; i < length;) {
    const char32_t c = zolm_platform::decodeUtf16(name, length, i);
    unsigned char byte;
    if (zolm_platform::escapedByte(c, byte)) {
      out += static_cast<char>(byte);
      continue;
    }
    if (zolm_platform::isSurrogate(c)) return false;
    zolm_platform::appendUtf8(out, c);
  }
  return true;
}

// The UTF-8 path of a name, or false with the last error set.
bool pathOf(LPCWSTR name, std::string& path) {
  if (name == nullptr) return fail(ERROR_INVALID_PARAMETER);
  if (name[0] == 0) return fail(ERROR_PATH_NOT_FOUND);
  if (!toUtf8(name, path)) return fail(ERROR_INVALID_NAME);
  return true;
}

// The folder that holds `path`, for syncing its entries.
std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Puts the folder that holds `path` on the disk: a new name lasts a crash
// only then. False with the last error set.
bool syncFolderOf(const std::string& path) {
  const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool synced = folder >= 0 && ::fsync(folder) == 0;
  const int error = errno;
  if (folder >= 0) ::close(folder);
  return synced || fail(errorFromErrno(error));
}

}  // namespace

extern "C" {

DWORD WINAPI GetLastError(void) { return lastError; }

void WINAPI SetLastError(DWORD code) { lastError = code; }

HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD /*share*/,
                          LPSECURITY_ATTRIBUTES /*security*/, DWORD disposition,
                          DWORD /*flags*/, HANDLE /*templateFile*/) {
  std::string path;
  if (!pathOf(name, path)) return INVALID_HANDLE_VALUE;

  int flags = O_CLOEXEC;
  bool reads = (access & GENERIC_READ) != 0;
  bool writes = (access & GENERIC_WRITE) != 0;
  flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case OPEN_EXISTING: break;
    default:
      fail(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }

  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    fail(errorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  // A directory is not a file: the platform refuses to open one this way.
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  HostFile* file = new (std::nothrow) HostFile{kFileTag, fd, access};
  if (!file) {
    ::close(fd);
    fail(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  lastError = ERROR_SUCCESS;
  return file;
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD countRead,
                     LPOVERLAPPED /*overlapped*/) {
  if (countRead) *countRead = 0;
  HostFile* file = fileOf(handle);
  if (!file) return fail(ERROR_INVALID_HANDLE);
  if (!(file->access & GENERIC_READ)) return fail(ERROR_ACCESS_DENIED);
  if (count != 0 && buffer == nullptr) return fail(ERROR_INVALID_PARAMETER);
  // The whole count unless the file ends first, as the platform does for files.
  DWORD done = 0;
  while (done < count) {
    ssize_t got = ::read(file->fd, static_cast<uint8_t*>(buffer) + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      if (countRead) *countRead = done;
      return fail(errorFromErrno(errno));
    }
    if (got == 0) break;
    done += static_cast<DWORD>(got);
  }
  if (countRead) *countRead = done;
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD countWritten,
                      LPOVERLAPPED /*overlapped*/) {
  if (countWritten) *countWritten = 0;
  HostFile* file = fileOf(handle);
  if (!file) return fail(ERROR_INVALID_HANDLE);
  if (!(file->access & GENERIC_WRITE)) return fail(ERROR_ACCESS_DENIED);
  if (count != 0 && buffer == nullptr) return fail(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  while (done < count) {
    ssize_t put = ::write(file->fd, static_cast<const uint8_t*>(buffer) + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (countWritten) *countWritten = done;
      return fail(put < 0 ? errorFromErrno(errno) : ERROR_WRITE_FAULT);
    }
    done += static_cast<DWORD>(put);
  }
  if (countWritten) *countWritten = done;
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD method) {
  HostFile* file = fileOf(handle);
  if (!file) {
    fail(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  // Without a high part the distance is a signed 32-bit value.
  int64_t move = distanceHigh
                     ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                            static_cast<uint32_t>(distance))
                     : static_cast<int64_t>(distance);
  int64_t base;
  if (method == FILE_BEGIN) {
    base = 0;
  } else if (method == FILE_CURRENT) {
    base = ::lseek(file->fd, 0, SEEK_CUR);
  } else if (method == FILE_END) {
    struct stat info;
    base = fstat(file->fd, &info) == 0 ? info.st_size : -1;
  } else {
    fail(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (base < 0) {
    fail(errorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  int64_t target = base + move;
  if (target < 0) {
    fail(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  // A position beyond 32 bits cannot be answered without the high part.
  if (!distanceHigh && target > 0xFFFFFFFELL) {
    fail(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (::lseek(file->fd, static_cast<off_t>(target), SEEK_SET) < 0) {
    fail(errorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(target >> 32);
  lastError = ERROR_SUCCESS;
  return static_cast<DWORD>(target);
}

DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
  HostFile* file = fileOf(handle);
  if (!file) {
    fail(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  struct stat info;
  if (fstat(file->fd, &info) != 0) {
    fail(errorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(info.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

HANDLE WINAPI GetStdHandle(DWORD which) {
  if (which != STD_INPUT_HANDLE && which != STD_OUTPUT_HANDLE && which != STD_ERROR_HANDLE) {
    fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  HostFile* file = &standardFiles[STD_INPUT_HANDLE - which];
  return file->tag == kFileTag ? file : INVALID_HANDLE_VALUE;
}

DWORD WINAPI GetFileType(HANDLE handle) {
  HostFile* file = fileOf(handle);
  if (!file) {
    fail(ERROR_INVALID_HANDLE);
    return FILE_TYPE_UNKNOWN;
  }
  struct stat info;
  if (fstat(file->fd, &info) != 0) {
    fail(errorFromErrno(errno));
    return FILE_TYPE_UNKNOWN;
  }
  lastError = ERROR_SUCCESS;
  if (S_ISREG(info.st_mode)) return FILE_TYPE_DISK;
  if (S_ISCHR(info.st_mode)) return FILE_TYPE_CHAR;
  if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return FILE_TYPE_PIPE;
  return FILE_TYPE_UNKNOWN;
}

BOOL WINAPI FlushFileBuffers(HANDLE handle) {
  HostFile* file = fileOf(handle);
  if (!file) return fail(ERROR_INVALID_HANDLE);
  if (!(file->access & GENERIC_WRITE)) return fail(ERROR_ACCESS_DENIED);
  if (::fsync(file->fd) != 0) return fail(errorFromErrno(errno));
  return TRUE;
}

DWORD WINAPI GetFinalPathNameByHandleW(HANDLE handle, LPWSTR path, DWORD size, DWORD flags) {
  HostFile* file = fileOf(handle);
  if (!file) {
    fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (flags != (FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) || (path == nullptr && size != 0)) {
    fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The kernel keeps the name each descriptor was reached by, links resolved.
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", file->fd);
  std::string name(PATH_MAX, '\0');
  const ssize_t length = ::readlink(link, &name[0], name.size());
  if (length <= 0 || static_cast<size_t>(length) >= name.size()) {
    fail(length < 0 ? errorFromErrno(errno) : ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  name.resize(static_cast<size_t>(length));
  // A name that no longer leads to this file (removed or renamed since) is no answer.
  struct stat opened, named;
  if (name[0] != '/' || ::fstat(file->fd, &opened) != 0 || ::stat(name.c_str(), &named) != 0 ||
      opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
    fail(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const std::u16string wide = zolm_platform::utf8ToUtf16(name.data(), name.size());
  if (wide.size() >= size) {
    lastError = ERROR_SUCCESS;
    return static_cast<DWORD>(wide.size() + 1);
  }
  std::char_traits<char16_t>::copy(path, wide.c_str(), wide.size() + 1);
  lastError = ERROR_SUCCESS;
  return static_cast<DWORD>(wide.size());
}

BOOL WINAPI MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  std::string source, target;
  if (!pathOf(from, source) || !pathOf(to, target)) return FALSE;
  struct stat info;
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && ::lstat(target.c_str(), &info) == 0)
    return fail(ERROR_ALREADY_EXISTS);
  if (::rename(source.c_str(), target.c_str()) != 0) return fail(errorFromErrno(errno));
  if ((flags & MOVEFILE_WRITE_THROUGH) && !syncFolderOf(target)) return FALSE;
  lastError = ERROR_SUCCESS;
  return TRUE;
}

BOOL WINAPI ReplaceFileW(LPCWSTR replacedName, LPCWSTR replacementName, LPCWSTR backupName,
                         DWORD flags, LPVOID exclude, LPVOID reserved) {
  if (backupName != nullptr || exclude != nullptr || reserved != nullptr ||
      (flags & ~(REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS)) != 0)
    return fail(ERROR_INVALID_PARAMETER);
  std::string replaced, replacement;
  if (!pathOf(replacedName, replaced) || !pathOf(replacementName, replacement)) return FALSE;
  struct stat kept;
  if (::stat(replaced.c_str(), &kept) != 0) return fail(errorFromErrno(errno));
  // Who may read the file stays as it was: its permission bits, then its
  // owner and group where this user may give them (a change of owner
  // clears the set-user bits, so the bits go last).
  const bool owned = ::chown(replacement.c_str(), kept.st_uid, kept.st_gid) == 0 ||
                     ::chown(replacement.c_str(), static_cast<uid_t>(-1), kept.st_gid) == 0;
  const bool moded = ::chmod(replacement.c_str(), kept.st_mode & 07777) == 0;
  if (!moded && !(flags & REPLACEFILE_IGNORE_ACL_ERRORS)) return fail(errorFromErrno(errno));
  if (!owned && !(flags & REPLACEFILE_IGNORE_ACL_ERRORS)) return fail(ERROR_ACCESS_DENIED);
  if (::rename(replacement.c_str(), replaced.c_str()) != 0) return fail(errorFromErrno(errno));
  if (!syncFolderOf(replaced)) return FALSE;
  lastError = ERROR_SUCCESS;
  return TRUE;
}

BOOL WINAPI DeleteFileW(LPCWSTR name) {
  std::string path;
  if (!pathOf(name, path)) return FALSE;
  if (::unlink(path.c_str()) != 0) return fail(errorFromErrno(errno));
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  HostFile* file = fileOf(handle);
  if (!file) return fail(ERROR_INVALID_HANDLE);
  file->tag = 0;
  int result = ::close(file->fd);
  if (!isStandard(file)) delete file;
  // The descriptor is released even when close reports a deferred write error.
  if (result != 0 && errno != EINTR) return fail(errorFromErrno(errno));
  return TRUE;
}

}  // extern "C"
