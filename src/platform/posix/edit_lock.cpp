// The edit lock is the temporary's own name, as lock files are. A reader of
// the file or of the folder cannot hold it: it takes creating a file in the
// folder, which could already remove the file being edited.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/call_notes.h"
#include "platform/posix/edit_steps.h"
#include "platform/posix/error.h"
#include "platform/posix/handles.h"

namespace install::platform {
namespace {

// Long enough for another edit of a large file to end; short enough that a
// setup whose file a stuck process holds reports it instead of hanging.
constexpr long kEditLockWaitMs = 10000;
constexpr long kFirstRetryMs = 1, kLongestRetryMs = 32;
// Leftovers cleared in one call before it gives up: someone who keeps
// putting a file under the name must not keep the edit spinning.
constexpr int kMostLeftoversCleared = 100;
constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;
constexpr char kWaitStep[] = "wait for another edit of the file";
constexpr char kCreateStep[] = "create the temporary file";

std::atomic<unsigned> staging_count{0};

// A name no other edit uses, where the lock is made before it is put under
// the temporary's name.
std::string StagingName(const std::string& temporary) {
  return "." + temporary + "." + std::to_string(::getpid()) + "." +
         std::to_string(staging_count.fetch_add(1));
}

bool NamesFile(int folder, const std::string& name, int fd) {
  struct stat named, held;
  return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(fd, &held) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

// Creates a private file under `name`, locked before anyone can see it
// unlocked: made and locked under a staging name, then linked to `name`.
// A file system without hard links gets it created under `name` directly,
// where another edit could take it for a leftover in the instant before it
// is locked; that edit's own work is then safe, and this one fails its
// replace.
int CreateLocked(int folder, const std::string& name) {
  const std::string staging = StagingName(name);
  constexpr int kCreateStaging = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  UniqueFd fd(::openat(folder, staging.c_str(), kCreateStaging, kOwnerOnly));
  // A process of the same id that died in the instant the name lived.
  if (!fd && errno == EEXIST && ::unlinkat(folder, staging.c_str(), 0) == 0)
    fd.reset(::openat(folder, staging.c_str(), kCreateStaging, kOwnerOnly));
  if (!fd) {
    if (errno == EEXIST) errno = EBUSY;  // the staging name's, not the temporary's
    return -1;
  }
  ::flock(fd.get(), LOCK_EX | LOCK_NB);
  const int linked = ::linkat(folder, staging.c_str(), folder, name.c_str(), 0);
  const int error = errno;
  ::unlinkat(folder, staging.c_str(), 0);
  if (linked == 0) return fd.release();
  if (error != EPERM && error != EOPNOTSUPP && error != EMLINK) {
    errno = error;
    return -1;
  }
  fd.reset(::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    kOwnerOnly));
  if (fd) ::flock(fd.get(), LOCK_EX | LOCK_NB);
  return fd.release();
}

enum class Found { kGone, kHeld, kFailed };

// What holds the name: a live edit (locked), or what a crashed edit or
// someone else left, removed here. A folder there is nobody's leftover
// and fails the edit.
Found ClearLeftover(int folder, const std::string& name) {
  struct stat info;
  if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? Found::kGone : Found::kFailed;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return Found::kFailed;
  }
  if (S_ISREG(info.st_mode)) {
    UniqueFd fd(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    // Another user's private lock: it cannot be told from a leftover, so it
    // is waited for.
    if (!fd)
      return errno == ENOENT ? Found::kGone : errno == EACCES ? Found::kHeld : Found::kFailed;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
      return errno == EWOULDBLOCK ? Found::kHeld : Found::kFailed;
    // Unlocked, and still under the name: nobody's work.
    if (!NamesFile(folder, name, fd.get())) return Found::kGone;
  }
  if (::unlinkat(folder, name.c_str(), 0) != 0 && errno != ENOENT) return Found::kFailed;
  return Found::kGone;
}

bool FolderRefusesFiles(int error) { return error == EACCES || error == EPERM || error == EROFS; }

}  // namespace

Status TakeEditLock(int folder, const std::string& temporary, bool may_skip, HeldHandle* lock) {
  long waited_ms = 0;
  int cleared = 0;
  for (long retry_ms = kFirstRetryMs;;) {
    const int fd = CreateLocked(folder, temporary);
    if (fd >= 0) {
      lock->reset(fd);
      return Status{};
    }
    const int error = errno;
    if (error != EEXIST) {
      if (may_skip && FolderRefusesFiles(error)) {
        NoteFact("the folder takes no new file, so the append takes no lock");
        return Status{};
      }
      NoteFailure(kCreateStep, StatusFromErrno(error));
      return StatusFromErrno(error);
    }
    const Found found = ClearLeftover(folder, temporary);
    if (found == Found::kFailed) {
      const Status status = LastErrnoStatus();
      NoteFailure(kCreateStep, status);
      return status;
    }
    if (found == Found::kGone && ++cleared <= kMostLeftoversCleared) continue;
    if (waited_ms >= kEditLockWaitMs || found == Found::kGone) {
      NoteFailure(kWaitStep, "another edit held it for 10 seconds");
      return StatusFromErrno(EWOULDBLOCK);
    }
    const timespec pause{0, retry_ms * 1000000};
    ::nanosleep(&pause, nullptr);
    waited_ms += retry_ms;
    retry_ms = retry_ms * 2 > kLongestRetryMs ? kLongestRetryMs : retry_ms * 2;
  }
}

void ReleaseEditLock(int folder, const std::string& temporary, int lock) {
  if (NamesFile(folder, temporary, lock)) ::unlinkat(folder, temporary.c_str(), 0);
}

}  // namespace install::platform
