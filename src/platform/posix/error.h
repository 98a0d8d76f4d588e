#pragma once

#include "platform/status.h"

namespace install::platform {

// The one place where errno values become the library's errors.
Status StatusFromErrno(int error_number);
Status LastErrnoStatus();

}  // namespace install::platform
