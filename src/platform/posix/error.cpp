#include "platform/posix/error.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/call_notes.h"

namespace install::platform {

Status StatusFromErrno(int error_number) {
  switch (error_number) {
    case 0:
      return Status{};
    case ENOENT:
    case ENOTDIR:
      return Status{Error::kNotFound, error_number};
    case EACCES:
    case EPERM:
    case EROFS:
      return Status{Error::kAccessDenied, error_number};
    case EISDIR:
      return Status{Error::kIsDirectory, error_number};
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return Status{Error::kNoSpace, error_number};
    case EIO:
      return Status{Error::kIo, error_number};
    default:
      return Status{Error::kOther, error_number};
  }
}

Status LastErrnoStatus() { return StatusFromErrno(errno); }

std::string DescribeError(const Status& status) {
  if (status.native == 0) return DescribeErrorKind(status.error);
  return std::string(std::strerror(status.native)) + " (errno " + std::to_string(status.native) +
         ")";
}

}  // namespace install::platform
