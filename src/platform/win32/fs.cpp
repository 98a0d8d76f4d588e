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

bool IsReadable(const char* path) { return ::_access(path, kAccessRead) == 0; }

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

}  // namespace install::platform
