#pragma once

#include <windows.h>

#include "platform/status.h"

namespace install::platform {

// The one place where Windows error codes become the library's errors.
Status StatusFromWindowsError(DWORD error);
Status LastWindowsStatus();

}  // namespace install::platform
