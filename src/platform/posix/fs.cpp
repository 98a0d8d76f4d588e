#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/edit.h"
#include "platform/backend_fs.h"
#include "platform/posix/error.h"

namespace install::platform {
namespace {

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;
constexpr mode_t kPermissionBits = 07777;
constexpr uid_t kKeepOwner = static_cast<uid_t>(-1);

std::string DirectoryOf(const char* path) {
  std::string directory(path);
  std::size_t slash = directory.rfind('/');
  return slash == std::string::npos ? "." : directory.substr(0, slash + 1);
}

// Makes a rename in the directory durable. The rename has already happened
// and cannot be undone, so a failure here changes nothing the caller could
// act on; it is ignored.
void SyncDirectoryOf(const char* path) {
  int fd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// write() may take fewer bytes than asked, or be interrupted; loop until all
// are written or a real error comes back.
Status WriteAll(int fd, const char* data, std::size_t size, std::size_t* written) {
  while (size > 0) {
    ssize_t got = ::write(fd, data, size);
    if (got < 0) {
      if (errno == EINTR) continue;
      return LastErrnoStatus();
    }
    data += got;
    size -= static_cast<std::size_t>(got);
    *written += static_cast<std::size_t>(got);
  }
  return Status{};
}

// O_NONBLOCK so that a FIFO or a device answers at once instead of waiting
// for a peer; the caller then refuses it by its kind. Regular files ignore
// the flag, but it is cleared all the same.
Status OpenWithoutBlocking(const char* path, int flags, int* out) {
  int fd = ::open(path, flags | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return LastErrnoStatus();
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  *out = fd;
  return Status{};
}

// Owner and group first: changing them clears the set-user and set-group
// bits, which the mode then puts back. A process that may not give the file
// away keeps what it may: the group alone, or nothing.
Status CopyOwner(int to, const struct stat& from) {
  if (::fchown(to, from.st_uid, from.st_gid) == 0) return Status{};
  if (errno != EPERM) return LastErrnoStatus();
  if (::fchown(to, kKeepOwner, from.st_gid) != 0 && errno != EPERM) return LastErrnoStatus();
  return Status{};
}

// Access lists and security labels live in extended attributes. A file
// system without them has none to lose; any other failure would lose one,
// so it fails the copy.
Status CopyExtendedAttributes(int from, int to) {
  ssize_t size = ::flistxattr(from, nullptr, 0);
  if (size < 0) return errno == ENOTSUP ? Status{} : LastErrnoStatus();
  if (size == 0) return Status{};
  std::string names(static_cast<std::size_t>(size), '\0');
  size = ::flistxattr(from, names.data(), names.size());
  if (size < 0) return LastErrnoStatus();
  names.resize(static_cast<std::size_t>(size));
  std::string value;
  for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
    const char* name = names.c_str() + at;
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

Status CheckReadable(const char* path) {
  return ::access(path, R_OK) == 0 ? Status{} : LastErrnoStatus();
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (is_open()) ::close(Descriptor(handle_));
    handle_ = other.handle_;
    other.handle_ = kInvalidHandle;
  }
  return *this;
}

File::~File() {
  if (is_open()) ::close(Descriptor(handle_));
}

Status File::OpenExistingForAppend(const char* path, File* out) {
  int fd = -1;
  Status status = OpenWithoutBlocking(path, O_WRONLY | O_APPEND, &fd);
  if (status.ok()) *out = File(fd);
  return status;
}

Status File::Append(const void* data, std::size_t size, std::size_t* written) {
  std::size_t ignored = 0;
  if (written == nullptr) written = &ignored;
  *written = 0;
  const char* bytes = static_cast<const char*>(data);
  Status fault;
  if (TakeInjectedFault(FaultPoint::kWrite, &fault)) {
    WriteAll(Descriptor(handle_), bytes, size / 2, written);
    return fault;
  }
  return WriteAll(Descriptor(handle_), bytes, size, written);
}

Status File::GetSize(std::uint64_t* size) const {
  struct stat info;
  if (::fstat(Descriptor(handle_), &info) != 0) return LastErrnoStatus();
  *size = static_cast<std::uint64_t>(info.st_size);
  return Status{};
}

Status File::Truncate(std::uint64_t size) {
  if (::ftruncate(Descriptor(handle_), static_cast<off_t>(size)) != 0) return LastErrnoStatus();
  return Status{};
}

Status File::Sync() {
  Status fault;
  if (TakeInjectedFault(FaultPoint::kSync, &fault)) return fault;
  if (::fsync(Descriptor(handle_)) != 0) return LastErrnoStatus();
  return Status{};
}

Status File::Close() {
  int fd = Descriptor(handle_);
  handle_ = kInvalidHandle;
  // The descriptor is released even when close reports an error; retrying
  // could close a descriptor another thread has just been given.
  int result = ::close(fd);
  Status fault;
  if (TakeInjectedFault(FaultPoint::kClose, &fault)) return fault;
  if (result != 0 && errno != EINTR) return LastErrnoStatus();
  return Status{};
}

Status File::GetKind(FileKind* kind) const {
  struct stat info;
  if (::fstat(Descriptor(handle_), &info) != 0) return LastErrnoStatus();
  *kind = S_ISREG(info.st_mode)   ? FileKind::kRegular
          : S_ISDIR(info.st_mode) ? FileKind::kDirectory
                                  : FileKind::kOther;
  return Status{};
}

Status File::OpenForReading(const char* path, File* out) {
  int fd = -1;
  Status status = OpenWithoutBlocking(path, O_RDONLY, &fd);
  if (status.ok()) *out = File(fd);
  return status;
}

Status File::CreateReplacing(const char* path, File* out) {
  if (::unlink(path) != 0 && errno != ENOENT) return LastErrnoStatus();
  int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kOwnerOnly);
  if (fd < 0) return LastErrnoStatus();
  *out = File(fd);
  return Status{};
}

Status File::Read(void* buffer, std::size_t capacity, std::size_t* size) {
  *size = 0;
  Status fault;
  if (TakeInjectedFault(FaultPoint::kRead, &fault)) return fault;
  for (;;) {
    ssize_t got = ::read(Descriptor(handle_), buffer, capacity);
    if (got >= 0) {
      *size = static_cast<std::size_t>(got);
      return Status{};
    }
    if (errno != EINTR) return LastErrnoStatus();
  }
}

Status File::CopyAccessFrom(const File& source) {
  const int from = Descriptor(source.handle_), to = Descriptor(handle_);
  struct stat info;
  if (::fstat(from, &info) != 0) return LastErrnoStatus();
  Status status = CopyOwner(to, info);
  if (status.ok()) status = CopyExtendedAttributes(from, to);
  if (status.ok() && ::fchmod(to, info.st_mode & kPermissionBits) != 0) status = LastErrnoStatus();
  return status;
}

Status FinalPath(const char* path, std::string* final_path) {
  struct stat link;
  if (::lstat(path, &link) != 0) return LastErrnoStatus();
  if (!S_ISLNK(link.st_mode)) {
    *final_path = path;
    return Status{};
  }
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path, nullptr), &std::free);
  if (!resolved) return LastErrnoStatus();
  *final_path = resolved.get();
  return Status{};
}

Status ReplaceAtomically(const char* from, const char* to) {
  Status fault;
  if (TakeInjectedFault(FaultPoint::kReplace, &fault)) return fault;
  if (::rename(from, to) != 0) return LastErrnoStatus();
  SyncDirectoryOf(to);
  return Status{};
}

Status RemoveFile(const char* path) {
  if (::unlink(path) != 0) return LastErrnoStatus();
  return Status{};
}

}  // namespace install::platform
