// What a replacement takes from the file it replaces, set on the new file
// once its data is written: a write by anyone but the superuser clears the
// set-ID bits and file capabilities, and a change of owner clears them too,
// so the owner comes first, then the attributes, and the mode last.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "platform/posix/edit_steps.h"
#include "platform/posix/error.h"
#include "platform/posix/handles.h"

namespace install::platform {
namespace {

constexpr mode_t kPermissionBits = 07777;
constexpr uid_t kKeepOwner = static_cast<uid_t>(-1);
// Integrity labels that describe the old content; the system measures the
// new file itself.
constexpr std::string_view kContentBoundLabels[] = {"security.ima", "security.evm"};

// EPERM: not the superuser; EINVAL: an id this user namespace cannot map.
// Either way the process may not give the file away, and keeps what it may.
bool NotPermitted(int error) { return error == EPERM || error == EINVAL; }

Status CopyOwner(int to, const struct stat& from, const struct stat& now) {
  if (now.st_uid == from.st_uid && now.st_gid == from.st_gid) return Status{};
  if (::fchown(to, from.st_uid, from.st_gid) == 0) return Status{};
  if (!NotPermitted(errno)) return LastErrnoStatus();
  if (now.st_gid == from.st_gid) return Status{};
  if (::fchown(to, kKeepOwner, from.st_gid) != 0 && !NotPermitted(errno)) return LastErrnoStatus();
  return Status{};
}

// The attribute names of `fd`, each ended by a NUL; none where the file
// system has none.
Status ListAttributes(int fd, std::string* names) {
  names->clear();
  for (;;) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0) return errno == ENOTSUP ? Status{} : LastErrnoStatus();
    names->resize(static_cast<std::size_t>(size));
    const ssize_t got = ::flistxattr(fd, names->data(), names->size());
    if (got >= 0) {
      names->resize(static_cast<std::size_t>(got));
      return Status{};
    }
    if (errno != ERANGE) return LastErrnoStatus();  // grew meanwhile: again
  }
}

bool Listed(const std::string& names, std::string_view name) {
  for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1)
    if (name == names.c_str() + at) return true;
  return false;
}

bool ContentBound(std::string_view name) {
  for (std::string_view label : kContentBoundLabels)
    if (name == label) return true;
  return false;
}

// Access lists and labels are attributes: what the folder's default access
// list gave the new file goes, and each of the old file's comes over.
Status CopyAttributes(int from, int to) {
  std::string wanted, present, value;
  Status status = ListAttributes(from, &wanted);
  if (status.ok()) status = ListAttributes(to, &present);
  if (!status.ok()) return status;
  for (std::size_t at = 0; at < present.size(); at = present.find('\0', at) + 1) {
    const char* name = present.c_str() + at;
    if (!Listed(wanted, name) && ::fremovexattr(to, name) != 0 && errno != ENODATA)
      return LastErrnoStatus();
  }
  for (std::size_t at = 0; at < wanted.size(); at = wanted.find('\0', at) + 1) {
    const char* name = wanted.c_str() + at;
    if (ContentBound(name)) continue;
    ssize_t length = ::fgetxattr(from, name, nullptr, 0);
    if (length < 0) return LastErrnoStatus();
    value.resize(static_cast<std::size_t>(length));
    length = ::fgetxattr(from, name, value.data(), value.size());
    if (length < 0) return LastErrnoStatus();
    if (::fsetxattr(to, name, value.data(), static_cast<std::size_t>(length), 0) != 0)
      return LastErrnoStatus();
  }
  return Status{};
}

}  // namespace

Status CopySecurity(int from, int to) {
  struct stat source, now;
  if (::fstat(from, &source) != 0 || ::fstat(to, &now) != 0) return LastErrnoStatus();
  Status status = CopyOwner(to, source, now);
  if (status.ok()) status = CopyAttributes(from, to);
  if (status.ok() && ::fchmod(to, source.st_mode & kPermissionBits) != 0)
    status = LastErrnoStatus();
  return status;
}

void SyncFolder(int folder) {
  UniqueFd readable(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (readable) ::fsync(readable.get());
}

}  // namespace install::platform
