// FormatMessageW for the codes the host stand-ins report: the C library's
// text of the POSIX error behind each code, so that a user on Linux reads
// the words Linux uses ("No such file or directory").
#include "platform/host/winbase.h"

#include <cerrno>
#include <cstring>

#include "platform/host/fileapi.h"

namespace {

struct CodeText {
  DWORD code;
  int error;         // the POSIX error whose text is the message, or 0
  const char* text;  // the message where no POSIX error says it
};

const CodeText kMessages[] = {
    {ERROR_SUCCESS, 0, "The operation completed successfully"},
    {ERROR_FILE_NOT_FOUND, ENOENT, nullptr},
    {ERROR_PATH_NOT_FOUND, ENOTDIR, nullptr},
    {ERROR_TOO_MANY_OPEN_FILES, EMFILE, nullptr},
    {ERROR_ACCESS_DENIED, EACCES, nullptr},
    {ERROR_INVALID_HANDLE, EBADF, nullptr},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM, nullptr},
    {ERROR_WRITE_PROTECT, EROFS, nullptr},
    {ERROR_NOT_SAME_DEVICE, EXDEV, nullptr},
    {ERROR_WRITE_FAULT, EIO, nullptr},
    {ERROR_GEN_FAILURE, EIO, nullptr},
    {ERROR_SHARING_VIOLATION, EBUSY, nullptr},
    {ERROR_HANDLE_EOF, 0, "Reached the end of the file"},
    {ERROR_NOT_SUPPORTED, ENOTSUP, nullptr},
    {ERROR_BROKEN_PIPE, EPIPE, nullptr},
    {ERROR_FILE_EXISTS, EEXIST, nullptr},
    {ERROR_INVALID_PARAMETER, EINVAL, nullptr},
    {ERROR_DISK_FULL, ENOSPC, nullptr},
    {ERROR_FILE_TOO_LARGE, EFBIG, nullptr},
    {ERROR_INVALID_NAME, 0, "The file name is not valid"},
    {ERROR_NEGATIVE_SEEK, EINVAL, nullptr},
    {ERROR_BAD_PATHNAME, ELOOP, nullptr},
    {ERROR_ALREADY_EXISTS, EEXIST, nullptr},
    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG, nullptr},
};

}  // namespace

extern "C" {

DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID /*source*/, DWORD messageId, DWORD /*languageId*/,
                            LPWSTR buffer, DWORD size, va_list* /*arguments*/) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = nullptr;
  for (const CodeText& entry : kMessages)
    if (entry.code == messageId) text = entry.error ? std::strerror(entry.error) : entry.text;
  if (text == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  // The texts are ASCII: one unit a character.
  const size_t length = std::strlen(text);
  if (length + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (size_t i = 0; i <= length; ++i) buffer[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
  return static_cast<DWORD>(length);
}

}  // extern "C"
