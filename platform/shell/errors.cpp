// Error codes and their texts: what SetLastError carries after a failed file
// operation, and the reason FormatMessageA gives for it (the system's own
// words, as strerror has them in the user's language).
#include "platform/shell/errors.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/winapi.h"

namespace {

struct Pair {
  int error;
  DWORD code;
};

// errno to code; the first row of a code also gives its text. ENOTDIR keeps
// its own code: "Not a directory" says more than a missing path.
constexpr Pair kPairs[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOENT, ERROR_PATH_NOT_FOUND},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EROFS, ERROR_WRITE_PROTECT},
    {EWOULDBLOCK, ERROR_LOCK_VIOLATION},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EEXIST, ERROR_ALREADY_EXISTS},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {EISDIR, ERROR_DIRECTORY_NOT_SUPPORTED},
    {EIO, ERROR_IO_DEVICE},
    {ECANCELED, ERROR_REQUEST_ABORTED},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EBADF, ERROR_INVALID_HANDLE},
};

std::string SystemText(int error) {
  char buffer[256] = {};
  // The GNU strerror_r returns the text, which may or may not be in buffer.
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return text != nullptr ? text : "";
}

// Texts of the codes our files use that have no errno of their own.
const char* OwnText(DWORD code) {
  switch (code) {
    case ERROR_BAD_FILE_TYPE:
      return "Not a regular file";
    case ERROR_NO_MORE_FILES:
      return "No more files";
    case ERROR_INSUFFICIENT_BUFFER:
      return "The buffer is too small";
    case ERROR_MOD_NOT_FOUND:
      return "The module was not found";
    case ERROR_PROC_NOT_FOUND:
      return "The procedure was not found";
    case ERROR_BAD_EXE_FORMAT:
      return "Not a loadable module";
    case ERROR_SUCCESS:
      return "Success";
    default:
      return nullptr;
  }
}

}  // namespace

namespace lvx {

DWORD Win32ErrorFromErrno(int error) {
  if (error == kErrnoNotRegularFile) return ERROR_BAD_FILE_TYPE;
  for (const Pair& p : kPairs)
    if (p.error == error) return p.code;
  return static_cast<DWORD>(LVX_ERROR_ERRNO_BASE) | static_cast<DWORD>(error & 0xFFFF);
}

}  // namespace lvx

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size,
                     va_list*) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || buffer == nullptr || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string text;
  if (const char* own = OwnText(messageId)) {
    text = own;
  } else if ((messageId & 0xFFFF0000u) == static_cast<DWORD>(LVX_ERROR_ERRNO_BASE)) {
    text = SystemText(static_cast<int>(messageId & 0xFFFF));
  } else {
    for (const Pair& p : kPairs) {
      if (p.code != messageId) continue;
      text = SystemText(p.error);
      break;
    }
  }
  if (text.empty()) {
    SetLastError(317);  // ERROR_MR_MID_NOT_FOUND: no text for this code
    return 0;
  }
  if (text.size() >= size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}
