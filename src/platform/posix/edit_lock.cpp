#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/edit.h"
#include "platform/backend_fs.h"
#include "platform/posix/error.h"

namespace install::platform {
namespace {

// Long enough for another edit of a large file to end; short enough that a
// setup whose folder a stuck process holds reports it instead of hanging.
constexpr long kEditLockWaitMs = 10000;
constexpr long kFirstRetryMs = 1, kLongestRetryMs = 32;

std::string FolderOf(const char* path) {
  const std::string folder(path);
  const std::size_t slash = folder.rfind('/');
  return slash == std::string::npos ? "." : folder.substr(0, slash + 1);
}

// A file system that cannot lock a folder (some network file systems) is
// edited unlocked, as before there was a lock: refusing every edit there
// would cost more than the rare race the lock prevents.
bool LockingUnsupported(int error) {
  return error == ENOLCK || error == EBADF || error == EOPNOTSUPP || error == EINVAL;
}

}  // namespace

// flock, not fcntl record locks: those belong to the process, so a second
// edit on another thread would share them, and closing any descriptor of the
// folder would drop them. Polled, because flock cannot wait a bounded time.
Status EditLock::Take(const char* path, EditLock* out) {
  const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return LastErrnoStatus();
  long waited_ms = 0;
  for (long retry_ms = kFirstRetryMs; ::flock(folder, LOCK_EX | LOCK_NB) != 0;) {
    const int error = errno;
    if (error == EINTR) continue;
    if (LockingUnsupported(error)) break;
    if (error != EWOULDBLOCK || waited_ms >= kEditLockWaitMs) {
      ::close(folder);
      return StatusFromErrno(error);
    }
    const timespec pause{0, retry_ms * 1000000};
    ::nanosleep(&pause, nullptr);
    waited_ms += retry_ms;
    retry_ms = retry_ms * 2 > kLongestRetryMs ? kLongestRetryMs : retry_ms * 2;
  }
  if (out->handle_ >= 0) ::close(static_cast<int>(out->handle_));
  out->handle_ = folder;
  return Status{};
}

EditLock::~EditLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

Status ReplacementFile::Replace(const char* target) {
  const Status status = ReplaceAtomically(path_.c_str(), target);
  if (status.ok()) path_.clear();
  return status;
}

}  // namespace install::platform
