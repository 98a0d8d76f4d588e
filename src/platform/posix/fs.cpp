#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/posix/error.h"

namespace install::platform {
namespace {

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

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

}  // namespace install::platform
