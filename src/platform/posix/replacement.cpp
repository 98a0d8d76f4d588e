#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/platform.h"
#include "platform/posix/error.h"
#include "platform/posix/lock_wait.h"

// Who holds a temporary name: the edit that holds an flock on the file under
// it. The owner keeps that lock from creating the file until it has renamed
// or removed it, so a file under the name that nobody has locked is a crashed
// edit's leftover. Claims are made under an flock on the directory, so that
// two edits never remove and create under one name at once.
namespace install::platform {
namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// 0 when nothing is left under the name, EWOULDBLOCK while a live edit owns
// it, or why it cannot be removed. A link or another non-file is no edit's
// and goes; a folder is not the library's to remove.
int RemoveLeftover(const char* path) {
  struct stat named;
  if (::lstat(path, &named) != 0) return errno == ENOENT ? 0 : errno;
  if (S_ISDIR(named.st_mode)) return EISDIR;
  if (S_ISREG(named.st_mode)) {
    const int old = ::open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (old < 0) return errno == ENOENT ? 0 : errno;
    struct stat held;
    int error = ::flock(old, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    // The name may have been renamed onto a host file since it was opened.
    const bool same = error == 0 && ::fstat(old, &held) == 0 && ::lstat(path, &named) == 0 &&
                      held.st_dev == named.st_dev && held.st_ino == named.st_ino;
    if (same && ::unlink(path) != 0 && errno != ENOENT) error = errno;
    ::close(old);
    return error;
  }
  return ::unlink(path) == 0 || errno == ENOENT ? 0 : errno;
}

int ClaimUnderDirectoryLock(const char* path, int* claimed) {
  for (;;) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kOwnerOnly);
    if (fd >= 0) {
      // No other claimer looks at the name before the directory lock goes.
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::unlink(path);
        ::close(fd);
        return error == EWOULDBLOCK ? EIO : error;
      }
      *claimed = fd;
      return 0;
    }
    if (errno != EEXIST) return errno;
    if (const int error = RemoveLeftover(path)) return error;
  }
}

int TryClaim(int directory, const char* path, int* claimed) {
  if (::flock(directory, LOCK_EX | LOCK_NB) != 0) return errno;
  const int result = ClaimUnderDirectoryLock(path, claimed);
  ::flock(directory, LOCK_UN);
  return result;
}

}  // namespace

Status ReplacementFile::Create(const char* path, ReplacementFile* out) {
  const int directory = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory < 0) return LastErrnoStatus();
  int claimed = -1;
  const Status status = WaitForLock([&] { return TryClaim(directory, path, &claimed); });
  ::close(directory);
  if (!status.ok()) return status;
  // The lock belongs to the open file, which this second descriptor keeps
  // after the file itself is closed, until the name is renamed or removed.
  const int holder = ::fcntl(claimed, F_DUPFD_CLOEXEC, 0);
  if (holder < 0) {
    const Status error = LastErrnoStatus();
    ::unlink(path);
    ::close(claimed);
    return error;
  }
  out->Discard();
  out->file_ = File(claimed);
  out->path_ = path;
  out->claim_ = holder;
  return Status{};
}

Status ReplacementFile::Replace(const char* target) {
  const Status status = ReplaceAtomically(path_.c_str(), target);
  if (!status.ok()) return status;
  path_.clear();
  file_ = File();
  ::close(static_cast<int>(claim_));
  claim_ = File::kInvalidHandle;
  return status;
}

void ReplacementFile::Discard() {
  file_ = File();
  if (claim_ == File::kInvalidHandle) return;
  ::unlink(path_.c_str());  // still locked: the name is this edit's own
  ::close(static_cast<int>(claim_));
  claim_ = File::kInvalidHandle;
  path_.clear();
}

ReplacementFile::~ReplacementFile() { Discard(); }

}  // namespace install::platform
