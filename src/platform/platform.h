// The narrow interface between the library's logic and the operating system.
// Each concern has one file per backend with the same name
// (posix/fs.cpp, win32/fs.cpp); CMake picks the backend. Nothing above this
// layer includes a system header or tests for a platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace install::platform {

// What went wrong, with the same meaning on every platform. `native` keeps
// errno or GetLastError() for whoever is debugging.
enum class Error { kNone, kNotFound, kAccessDenied, kIsDirectory, kNoSpace, kIo, kOther };

struct Status {
  Error error = Error::kNone;
  int native = 0;
  bool ok() const { return error == Error::kNone; }
};

// ---- Files (fs.cpp) -------------------------------------------------------

// The access test for reading: the path exists and may be read.
bool IsReadable(const char* path);

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

  // Opens an existing file for writing at its end; never creates one.
  static Status OpenExistingForAppend(const char* path, File* out);

  // Writes all of `data` at the end of the file, or fails.
  Status Append(const void* data, std::size_t size);
  Status GetSize(std::uint64_t* size) const;
  Status Truncate(std::uint64_t size);
  // Flushes what was written to stable storage.
  Status Sync();
  Status Close();

  // ---- Rewriting a file through a temporary beside it -------------------

  // Opens an existing file for reading from its start.
  static Status OpenForReading(const char* path, File* out);
  // Creates an empty file for writing (on POSIX readable only by its owner
  // until CopyAccessFrom). Whatever already has that name is removed first
  // rather than written through: it may be a link to some other file.
  static Status CreateReplacing(const char* path, File* out);
  // Reads up to `capacity` bytes; `*size` is 0 at the end of the file.
  Status Read(void* buffer, std::size_t capacity, std::size_t* size);
  // Gives this file the permission bits (POSIX) or the attributes, less
  // read-only (Windows), of `source`.
  Status CopyAccessFrom(const File& source);

 private:
  // A POSIX descriptor or a Windows HANDLE; -1 is "none" on both.
  static constexpr std::intptr_t kInvalidHandle = -1;
  explicit File(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = kInvalidHandle;
};

// ---- Rewriting a file through a temporary beside it (fs.cpp) -----------

// Puts the file at `from` in the place of the one at `to` in one step: at
// every instant `to` names the complete old file or the complete new one.
// Both must be in the same directory.
Status ReplaceAtomically(const char* from, const char* to);
Status RemoveFile(const char* path);

}  // namespace install::platform
