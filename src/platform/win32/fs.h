// What the Windows file backends (fs.cpp, edit*.cpp) share.
#pragma once

#include <windows.h>

#include <string>

#include "platform/status.h"

namespace install::platform {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Long enough for another edit of a large file to end; short enough that a
// setup whose file is held by a stuck process reports it instead of hanging.
constexpr DWORD kEditLockWaitMs = 10000;

// CreateFileW on the "\\?\" form of `path`.
Status OpenLongPath(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                    HANDLE* out);

}  // namespace install::platform
