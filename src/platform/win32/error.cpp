#include "platform/win32/error.h"

namespace install::platform {

Status StatusFromWindowsError(DWORD error) {
  const int native = static_cast<int>(error);
  switch (error) {
    case ERROR_SUCCESS:
      return Status{};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return Status{Error::kNotFound, native};
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return Status{Error::kAccessDenied, native};
    case ERROR_DIRECTORY:
      return Status{Error::kIsDirectory, native};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Status{Error::kNoSpace, native};
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_CRC:
      return Status{Error::kIo, native};
    default:
      return Status{Error::kOther, native};
  }
}

Status LastWindowsStatus() { return StatusFromWindowsError(::GetLastError()); }

}  // namespace install::platform
