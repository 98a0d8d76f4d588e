// Files (fs.cpp of each backend): the read check and the open file an
// append works on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/status.h"

namespace install::platform {

// The access test for reading: the path exists and may be read. On Windows
// the file is opened for reading, so an access list that denies it counts.
Status CheckReadable(const char* path);

// What an opened path turned out to be. Only regular files are edited.
enum class FileKind { kRegular, kDirectory, kOther };

// An open file, owned: the destructor closes it and ignores errors, so call
// Close() wherever a failure to close matters.
class File {
 public:
  File() = default;
  File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalidHandle; }
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  bool is_open() const { return handle_ != kInvalidHandle; }

  // Writes all of `data` at the end of the file, or fails; `*written` (may
  // be null) counts the bytes that did reach the file either way.
  Status Append(const void* data, std::size_t size, std::size_t* written = nullptr);
  Status GetSize(std::uint64_t* size) const;
  Status Truncate(std::uint64_t size);
  // Flushes what was written to stable storage.
  Status Sync();
  Status Close();

  // Asked of the opened handle, never of the name, so nothing can swap the
  // file between the check and its use.
  Status GetKind(FileKind* kind) const;

  // Opens an existing file for reading from its start; never waits on a
  // FIFO or device (GetKind tells them apart).
  static Status OpenForReading(const char* path, File* out);
  // Reads up to `capacity` bytes; `*size` is 0 at the end of the file.
  Status Read(void* buffer, std::size_t capacity, std::size_t* size);

 private:
  friend class FileEdit;
  // A POSIX descriptor or a Windows HANDLE; -1 is "none" on both.
  static constexpr std::intptr_t kInvalidHandle = -1;
  explicit File(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = kInvalidHandle;
};

}  // namespace install::platform
