// FileEdit on POSIX: one folder descriptor, opened once, and only *at calls
// on it afterwards. The lock is the temporary's own name (edit_lock.cpp).
#include "platform/edit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "platform/ascii.h"
#include "platform/call_notes.h"
#include "platform/fault_injection.h"
#include "platform/posix/edit_steps.h"
#include "platform/posix/error.h"
#include "platform/posix/handles.h"

namespace install::platform {
namespace {

// As the kernel's own limit on links followed in one lookup.
constexpr int kMostLinksFollowed = 40;
constexpr char kFolderSeparator = '/';

int Fd(const HeldHandle& handle) { return static_cast<int>(handle.get()); }

Status Failed(const char* step, const Status& status) {
  NoteFailure(step, status);
  return status;
}

Status Refused(const char* step, const char* reason, int error) {
  NoteFailure(step, reason);
  return StatusFromErrno(error);
}

// Opens the folder part of `path` (relative to `from`, or to the current
// folder now) for *at calls and gives the last part in `name`.
Status OpenFolderOf(int from, const std::string& path, HeldHandle* folder, std::string* name) {
  const std::size_t slash = path.rfind(kFolderSeparator);
  const std::string folder_path = slash == std::string::npos ? "."
                                  : slash == 0               ? "/"
                                                             : path.substr(0, slash);
  *name = slash == std::string::npos ? path : path.substr(slash + 1);
  const int fd = ::openat(from, folder_path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return LastErrnoStatus();
  folder->reset(fd);
  return Status{};
}

// The rule the kernel's protected links apply, for what a link leads to: it
// is followed only when whoever made it could already write its target,
// being the caller, the superuser, the target's owner or its folder's.
bool MayFollow(const struct stat& link, int target_folder, const std::string& target_name) {
  if (link.st_uid == ::geteuid() || link.st_uid == 0) return true;
  struct stat folder, target;
  if (::fstat(target_folder, &folder) == 0 && folder.st_uid == link.st_uid) return true;
  return ::fstatat(target_folder, target_name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0 &&
         target.st_uid == link.st_uid;
}

// Follows final links one at a time from the held folder, each by the rule
// above. `info` is what the name finally gives (errno ENOENT: nothing).
Status FollowLinks(HeldHandle* folder, std::string* name, struct stat* info) {
  for (int followed = 0;; ++followed) {
    if (::fstatat(Fd(*folder), name->c_str(), info, AT_SYMLINK_NOFOLLOW) != 0)
      return LastErrnoStatus();
    if (!S_ISLNK(info->st_mode)) return Status{};
    if (followed == kMostLinksFollowed) return Refused("follow the link", "too many links", ELOOP);
    char target[PATH_MAX];
    const ssize_t length = ::readlinkat(Fd(*folder), name->c_str(), target, sizeof target - 1);
    if (length < 0) return Failed("follow the link", LastErrnoStatus());
    HeldHandle target_folder;
    std::string target_name;
    const Status status =
        OpenFolderOf(Fd(*folder), std::string(target, length), &target_folder, &target_name);
    if (!status.ok()) return Failed("follow the link", status);
    if (!MayFollow(*info, Fd(target_folder), target_name)) {
      return Refused("follow the link",
                     "the link's owner could not already write the file it leads to", EPERM);
    }
    *folder = std::move(target_folder);
    *name = std::move(target_name);
    RunEditStepHook();
  }
}

Status RefuseUnlessRegular(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return Status{};
  return S_ISDIR(info.st_mode) ? Refused("check the file", "it is a folder", EISDIR)
                               : Refused("check the file", "it is not a regular file", EINVAL);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The open that reads or appends: never follows a link, never makes a
// terminal the caller's, never waits; and it must be the very regular file
// that `expected` describes, or someone swapped it meanwhile.
Status OpenChecked(int folder, const std::string& name, int flags, const struct stat& expected,
                   UniqueFd* out) {
  const int fd =
      ::openat(folder, name.c_str(), flags | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return LastErrnoStatus();
  UniqueFd owned(fd);
  struct stat info;
  if (::fstat(fd, &info) != 0) return LastErrnoStatus();
  if (!SameFile(info, expected)) return StatusFromErrno(ESTALE);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  *out = std::move(owned);
  return Status{};
}

}  // namespace

void HeldHandleTraits::Close(std::intptr_t handle) { ::close(static_cast<int>(handle)); }

Status FileEdit::Begin(const char* path, EditKind kind, TemporaryNamer namer, FileEdit* out) {
  FileEdit& edit = *out;
  edit.kind_ = kind;
  Status status = OpenFolderOf(AT_FDCWD, path, &edit.folder_, &edit.name_);
  if (!status.ok()) return Failed("open the folder", status);
  if (edit.name_.empty()) return Refused("check the file", "the path ends in a folder", EISDIR);
  RunEditStepHook();
  const bool may_be_missing = kind == EditKind::kCreateOrRewrite;
  const char* const open_step =
      kind == EditKind::kAppend ? "open the file for writing" : "open the file";
  struct stat info;
  status = FollowLinks(&edit.folder_, &edit.name_, &info);
  const bool missing = status.native == ENOENT && may_be_missing;
  if (!status.ok() && !missing) return Failed(open_step, status);
  // Refused before the temporary's name is touched: a folder or a FIFO at
  // the path costs no other edit its temporary.
  if (!missing && !(status = RefuseUnlessRegular(info)).ok()) return status;
  edit.temporary_name_ = namer(edit.name_);
  const bool own_temporary = EqualsIgnoringAsciiCase(edit.temporary_name_, edit.name_);
  if (own_temporary && kind != EditKind::kAppend)
    return Refused("name the temporary file", "the file has the temporary's own name", EINVAL);
  RunEditStepHook();

  if (own_temporary) {
    NoteFact("the file has its temporary's name, so the append takes no lock");
  } else {
    status = TakeEditLock(Fd(edit.folder_), edit.temporary_name_, kind == EditKind::kAppend,
                          &edit.lock_);
    if (!status.ok()) return status;
    edit.locked_ = edit.lock_.is_valid();
  }
  RunEditStepHook();

  // Asked again under the lock: another edit may have replaced the file.
  if (::fstatat(Fd(edit.folder_), edit.name_.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT && may_be_missing) return Status{};
    return Failed(open_step, LastErrnoStatus());
  }
  if (!(status = RefuseUnlessRegular(info)).ok()) return status;
  edit.device_ = info.st_dev;
  edit.inode_ = info.st_ino;
  const int flags = kind == EditKind::kAppend ? O_WRONLY | O_APPEND : O_RDONLY;
  UniqueFd fd;
  status = OpenChecked(Fd(edit.folder_), edit.name_, flags, info, &fd);
  if (!status.ok()) return Failed(open_step, status);
  edit.file_ = File(fd.release());
  return status;
}

Status FileEdit::ReopenFile() {
  struct stat expected {};
  expected.st_dev = static_cast<dev_t>(device_);
  expected.st_ino = static_cast<ino_t>(inode_);
  UniqueFd fd;
  const Status status = OpenChecked(Fd(folder_), name_, O_WRONLY | O_APPEND, expected, &fd);
  if (status.ok()) file_ = File(fd.release());
  return status;
}

Status FileEdit::CreateReplacement() {
  // The lock is the temporary: created empty and owner-only by this edit.
  const int fd = ::fcntl(Fd(lock_), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return Failed("create the temporary file", LastErrnoStatus());
  replacement_ = File(fd);
  return Status{};
}

Status FileEdit::Commit() {
  Status status;
  if (file_.is_open()) {
    status = CopySecurity(static_cast<int>(file_.handle_), Fd(lock_));
    if (!status.ok()) return Failed("copy the file's security", status);
    file_ = File();
  } else if (kind_ == EditKind::kRewrite) {
    // Without the old file there is no security to copy, and a private
    // file must not quietly take its place.
    return Failed("copy the file's security", StatusFromErrno(EBADF));
  }
  if (TakeInjectedFault(FaultPoint::kReplace, &status)) return Failed("replace the file", status);
  if (::renameat(Fd(folder_), temporary_name_.c_str(), Fd(folder_), name_.c_str()) != 0)
    return Failed("replace the file", LastErrnoStatus());
  replaced_ = true;
  SyncFolder(Fd(folder_));
  return Status{};
}

FileEdit::~FileEdit() {
  file_ = File();
  replacement_ = File();
  if (locked_ && !replaced_) ReleaseEditLock(Fd(folder_), temporary_name_, Fd(lock_));
}

}  // namespace install::platform
