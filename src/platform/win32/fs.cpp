#include <io.h>
#include <windows.h>

#include <climits>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "platform/win32/error.h"

namespace install::platform {
namespace {

constexpr int kAccessRead = 4;  // the CRT's _access mode for "may be read"

HANDLE Native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Read-only is left out: the new file must stay removable if the
// replacement fails, and a read-only target refuses replacement anyway.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr int kReplaceAttempts = 5;
constexpr DWORD kReplaceRetryDelayMs = 20;

bool MayPassSoon(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}

bool IsReadOnly(const char* path) {
  const DWORD attributes = ::GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

Status WriteAll(HANDLE file, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr)) return LastWindowsStatus();
    data += written;
    size -= written;
  }
  return Status{};
}

Status SeekTo(HANDLE file, std::int64_t offset, DWORD origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  if (!::SetFilePointerEx(file, distance, nullptr, origin)) return LastWindowsStatus();
  return Status{};
}

}  // namespace

Status CheckReadable(const char* path) {
  if (::_access(path, kAccessRead) == 0) return Status{};
  // The CRT keeps the system's own error from the attribute query behind it.
  const Status status = LastWindowsStatus();
  return status.ok() ? Status{Error::kNotFound, ERROR_FILE_NOT_FOUND} : status;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (is_open()) ::CloseHandle(Native(handle_));
    handle_ = other.handle_;
    other.handle_ = kInvalidHandle;
  }
  return *this;
}

File::~File() {
  if (is_open()) ::CloseHandle(Native(handle_));
}

Status File::OpenExistingForAppend(const char* path, File* out) {
  // GENERIC_WRITE rather than FILE_APPEND_DATA alone: undoing a failed append
  // needs SetEndOfFile, which append-only access does not allow. Every write
  // seeks to the end first instead.
  HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastWindowsStatus();
  *out = File(reinterpret_cast<std::intptr_t>(file));
  return Status{};
}

Status File::Append(const void* data, std::size_t size) {
  HANDLE file = Native(handle_);
  Status status = SeekTo(file, 0, FILE_END);
  if (!status.ok()) return status;
  const char* bytes = static_cast<const char*>(data);
  Status fault;
  if (TakeInjectedFault(FaultPoint::kWrite, &fault)) {
    WriteAll(file, bytes, size / 2);
    return fault;
  }
  return WriteAll(file, bytes, size);
}

Status File::GetSize(std::uint64_t* size) const {
  LARGE_INTEGER file_size;
  if (!::GetFileSizeEx(Native(handle_), &file_size)) return LastWindowsStatus();
  *size = static_cast<std::uint64_t>(file_size.QuadPart);
  return Status{};
}

Status File::Truncate(std::uint64_t size) {
  HANDLE file = Native(handle_);
  Status status = SeekTo(file, static_cast<std::int64_t>(size), FILE_BEGIN);
  if (!status.ok()) return status;
  if (!::SetEndOfFile(file)) return LastWindowsStatus();
  return Status{};
}

Status File::Sync() {
  Status fault;
  if (TakeInjectedFault(FaultPoint::kSync, &fault)) return fault;
  if (!::FlushFileBuffers(Native(handle_))) return LastWindowsStatus();
  return Status{};
}

Status File::Close() {
  HANDLE file = Native(handle_);
  handle_ = kInvalidHandle;
  const BOOL closed = ::CloseHandle(file);
  Status fault;
  if (TakeInjectedFault(FaultPoint::kClose, &fault)) return fault;
  if (!closed) return LastWindowsStatus();
  return Status{};
}

Status File::OpenForReading(const char* path, File* out) {
  HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastWindowsStatus();
  *out = File(reinterpret_cast<std::intptr_t>(file));
  return Status{};
}

Status File::CreateReplacing(const char* path, File* out) {
  if (!::DeleteFileA(path) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    return LastWindowsStatus();
  }
  HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastWindowsStatus();
  *out = File(reinterpret_cast<std::intptr_t>(file));
  return Status{};
}

Status File::Read(void* buffer, std::size_t capacity, std::size_t* size) {
  *size = 0;
  Status fault;
  if (TakeInjectedFault(FaultPoint::kRead, &fault)) return fault;
  const DWORD chunk = capacity > MAXDWORD ? MAXDWORD : static_cast<DWORD>(capacity);
  DWORD got = 0;
  if (!::ReadFile(Native(handle_), buffer, chunk, &got, nullptr)) return LastWindowsStatus();
  *size = got;
  return Status{};
}

Status File::CopyAccessFrom(const File& source) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(Native(source.handle_), &info)) return LastWindowsStatus();
  FILE_BASIC_INFO basic = {};  // zero times: left as they are
  basic.FileAttributes = info.dwFileAttributes & kCopiedAttributes;
  if (basic.FileAttributes == 0) return Status{};  // zero would mean "unchanged"
  if (!::SetFileInformationByHandle(Native(handle_), FileBasicInfo, &basic, sizeof basic)) {
    return LastWindowsStatus();
  }
  return Status{};
}

// MoveFileExA, not ReplaceFileA: without a backup name ReplaceFileA can fail
// after it has already taken the old file away (ERROR_UNABLE_TO_MOVE_REPLACEMENT),
// leaving the path empty, which is the gap this function exists to close.
// MoveFileExA with MOVEFILE_REPLACE_EXISTING renames over the old file in one
// step on one volume, and MOVEFILE_WRITE_THROUGH returns only once that is on
// disk. No MOVEFILE_COPY_ALLOWED: a copy would not be atomic, and both names
// are in one directory anyway. The attributes ReplaceFileA would carry over
// were put on the new file by CopyAccessFrom.
// The fallback is to wait and try again: a virus scanner or indexer that has
// just opened the old file refuses the rename for a moment.
Status ReplaceAtomically(const char* from, const char* to) {
  Status fault;
  if (TakeInjectedFault(FaultPoint::kReplace, &fault)) return fault;
  // Windows refuses to replace a read-only file. Saying so up front keeps
  // that answer where the file system would let the rename through (some
  // network shares, Wine run by a superuser): read-only means leave it be.
  if (IsReadOnly(to)) return StatusFromWindowsError(ERROR_ACCESS_DENIED);
  for (int attempt = 1;; ++attempt) {
    if (::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return Status{};
    }
    const DWORD error = ::GetLastError();
    if (!MayPassSoon(error) || attempt == kReplaceAttempts) {
      return StatusFromWindowsError(error);
    }
    ::Sleep(kReplaceRetryDelayMs);
  }
}

Status RemoveFile(const char* path) {
  if (!::DeleteFileA(path)) return LastWindowsStatus();
  return Status{};
}

}  // namespace install::platform
