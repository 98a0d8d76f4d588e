// What the Windows file backends (fs.cpp, replacement.cpp) share.
#pragma once

#include <windows.h>

#include <string>

#include "platform/edit.h"

namespace install::platform {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Long enough for another edit of a large file to end; short enough that a
// setup whose file is held by a stuck process reports it instead of hanging.
constexpr DWORD kEditLockWaitMs = 10000;

// CreateFileW on the "\\?\" form of `path`.
Status OpenLongPath(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                    HANDLE* out);
// A sharing, lock or access error that a scanner holding the file for a
// moment also gives.
bool MayPassSoon(DWORD error);
bool IsReadOnly(const std::wstring& path);

}  // namespace install::platform
