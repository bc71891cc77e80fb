// Internal to platform/: Linux errno values as Win32 error codes, for every
// area that reports a failed file operation through SetLastError.
#pragma once

#include "platform/winapi/types.h"

namespace lvx {

// Stands for "exists but is not a regular file" (a pipe, device or socket),
// which no errno value says.
inline constexpr int kErrnoNotRegularFile = -1;

// The Win32 code for an errno value; one without a Win32 counterpart becomes
// LVX_ERROR_ERRNO_BASE | errno, which FormatMessageA still explains.
DWORD Win32ErrorFromErrno(int error);

}  // namespace lvx
