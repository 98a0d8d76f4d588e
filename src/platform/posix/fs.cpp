#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "platform/posix/error.h"

namespace install::platform {
namespace {

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;
constexpr mode_t kPermissionBits = 07777;

// Makes a rename in the directory durable. The rename has already happened
// and cannot be undone, so a failure here changes nothing the caller could
// act on; it is ignored.
void SyncDirectoryOf(const char* path) {
  std::string directory(path);
  std::size_t slash = directory.rfind('/');
  directory = slash == std::string::npos ? "." : directory.substr(0, slash + 1);
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// write() may take fewer bytes than asked, or be interrupted; loop until all
// are written or a real error comes back.
Status WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return LastErrnoStatus();
    }
    data += written;
    size -= static_cast<std::size_t>(written);
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
  int fd = ::open(path, O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return LastErrnoStatus();
  *out = File(fd);
  return Status{};
}

Status File::Append(const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  Status fault;
  if (TakeInjectedFault(FaultPoint::kWrite, &fault)) {
    WriteAll(Descriptor(handle_), bytes, size / 2);
    return fault;
  }
  return WriteAll(Descriptor(handle_), bytes, size);
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

Status File::OpenForReading(const char* path, File* out) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return LastErrnoStatus();
  *out = File(fd);
  return Status{};
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
  struct stat info;
  if (::fstat(Descriptor(source.handle_), &info) != 0) return LastErrnoStatus();
  if (::fchmod(Descriptor(handle_), info.st_mode & kPermissionBits) != 0) return LastErrnoStatus();
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
