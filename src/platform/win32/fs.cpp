// Files on Windows, through the wide functions and every path in its "\\?\"
// form, so that no path stops at 260 characters.
#include "platform/win32/fs.h"

#include <climits>

#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/edit.h"
#include "platform/backend_fs.h"
#include "platform/win32/error.h"
#include "platform/win32/text.h"

namespace install::platform {
namespace {

HANDLE Native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t Owned(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

// Read-only is left out: the new file must stay removable if the
// replacement fails, and a read-only target refuses replacement anyway.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr int kReplaceAttempts = 5;
constexpr DWORD kReplaceRetryDelayMs = 20;
constexpr DWORD kAppendAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

Status WriteAll(HANDLE file, const char* data, std::size_t size, std::size_t* written) {
  while (size > 0) {
    const DWORD chunk = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    DWORD wrote = 0;
    if (!::WriteFile(file, data, chunk, &wrote, nullptr)) return LastWindowsStatus();
    data += wrote;
    size -= wrote;
    *written += wrote;
  }
  return Status{};
}

Status Identify(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
  return ::GetFileInformationByHandle(file, info) ? Status{} : LastWindowsStatus();
}

}  // namespace

Status OpenLongPath(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                    HANDLE* out) {
  std::wstring wide;
  Status status = ExtendedLengthPath(path, &wide);
  if (!status.ok()) return status;
  *out = ::CreateFileW(wide.c_str(), access, share, nullptr, disposition, flags, nullptr);
  return *out == INVALID_HANDLE_VALUE ? LastWindowsStatus() : Status{};
}

bool MayPassSoon(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}

bool IsReadOnly(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Opening for reading is the honest test: it asks the file's access list,
// where the attribute query behind _access only asks whether it exists.
// Folders open too (and are refused later, as files that cannot be
// edited), and a file another program holds without sharing may be read.
Status CheckReadable(const char* path) {
  HANDLE file = INVALID_HANDLE_VALUE;
  const Status status =
      OpenLongPath(path, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, &file);
  if (status.ok()) ::CloseHandle(file);
  if (status.native == static_cast<int>(ERROR_SHARING_VIOLATION)) return Status{};
  return status;
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

// Append access only: the system puts every write at the end as it stands
// then, so a line never overwrites what another program has just appended.
Status File::OpenExistingForAppend(const char* path, File* out) {
  HANDLE file = INVALID_HANDLE_VALUE;
  Status status =
      OpenLongPath(path, kAppendAccess, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, &file);
  if (status.ok()) *out = File(Owned(file));
  return status;
}

Status File::Append(const void* data, std::size_t size, std::size_t* written) {
  std::size_t ignored = 0;
  if (written == nullptr) written = &ignored;
  *written = 0;
  const char* bytes = static_cast<const char*>(data);
  Status fault;
  if (TakeInjectedFault(FaultPoint::kWrite, &fault)) {
    WriteAll(Native(handle_), bytes, size / 2, written);
    return fault;
  }
  return WriteAll(Native(handle_), bytes, size, written);
}

Status File::GetSize(std::uint64_t* size) const {
  LARGE_INTEGER file_size;
  if (!::GetFileSizeEx(Native(handle_), &file_size)) return LastWindowsStatus();
  *size = static_cast<std::uint64_t>(file_size.QuadPart);
  return Status{};
}

// An append handle may not cut the file: a second handle to the same file
// (never to whatever the name means by now) gets write access for it.
Status File::Truncate(std::uint64_t size) {
  HANDLE writable = ::ReOpenFile(Native(handle_), GENERIC_WRITE, kShareAll, 0);
  if (writable == INVALID_HANDLE_VALUE) return LastWindowsStatus();
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(size);
  Status status;
  if (!::SetFilePointerEx(writable, distance, nullptr, FILE_BEGIN) || !::SetEndOfFile(writable)) {
    status = LastWindowsStatus();
  }
  ::CloseHandle(writable);
  return status;
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

Status File::GetKind(FileKind* kind) const {
  *kind = FileKind::kOther;
  if (::GetFileType(Native(handle_)) != FILE_TYPE_DISK) return Status{};
  BY_HANDLE_FILE_INFORMATION info;
  const Status status = Identify(Native(handle_), &info);
  if (status.ok()) {
    *kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kDirectory
                                                                    : FileKind::kRegular;
  }
  return status;
}

Status File::OpenForReading(const char* path, File* out) {
  HANDLE file = INVALID_HANDLE_VALUE;
  Status status = OpenLongPath(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, &file);
  if (status.ok()) *out = File(Owned(file));
  return status;
}

Status File::CreateReplacing(const char* path, File* out) {
  std::wstring wide;
  Status status = ExtendedLengthPath(path, &wide);
  if (!status.ok()) return status;
  if (!::DeleteFileW(wide.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    return LastWindowsStatus();
  }
  HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastWindowsStatus();
  *out = File(Owned(file));
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
  Status status = Identify(Native(source.handle_), &info);
  if (!status.ok()) return status;
  FILE_BASIC_INFO basic = {};  // zero times: left as they are
  basic.FileAttributes = info.dwFileAttributes & kCopiedAttributes;
  if (basic.FileAttributes == 0) return Status{};  // zero would mean "unchanged"
  if (!::SetFileInformationByHandle(Native(handle_), FileBasicInfo, &basic, sizeof basic)) {
    return LastWindowsStatus();
  }
  return Status{};
}

// MoveFileExW with MOVEFILE_REPLACE_EXISTING renames over the old file in
// one step on one volume, and MOVEFILE_WRITE_THROUGH returns only once that
// is on disk. No MOVEFILE_COPY_ALLOWED: a copy would not be atomic, and both
// names are in one directory anyway. A virus scanner or indexer that has
// just opened the old file refuses the rename for a moment: wait and retry.
Status FinalPath(const char* path, std::string* final_path) {
  std::wstring wide;
  Status status = ExtendedLengthPath(path, &wide);
  if (!status.ok()) return status;
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastWindowsStatus();
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    *final_path = path;
    return Status{};
  }
  HANDLE file = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastWindowsStatus();
  const DWORD needed = ::GetFinalPathNameByHandleW(file, nullptr, 0, 0);
  std::wstring target(needed, L'\0');
  const DWORD length =
      needed == 0 ? 0 : ::GetFinalPathNameByHandleW(file, target.data(), needed, 0);
  status = length == 0 || length >= needed ? LastWindowsStatus() : Status{};
  ::CloseHandle(file);
  if (!status.ok()) return status;
  target.resize(length);
  return TextFromWide(target, final_path);
}

Status ReplaceAtomically(const char* from, const char* to) {
  Status fault;
  if (TakeInjectedFault(FaultPoint::kReplace, &fault)) return fault;
  std::wstring wide_from, wide_to;
  Status status = ExtendedLengthPath(from, &wide_from);
  if (status.ok()) status = ExtendedLengthPath(to, &wide_to);
  if (!status.ok()) return status;
  // Windows refuses to replace a read-only file. Saying so up front keeps
  // that answer where the file system would let the rename through (some
  // network shares, Wine run by a superuser): read-only means leave it be.
  if (IsReadOnly(wide_to)) return StatusFromWindowsError(ERROR_ACCESS_DENIED);
  for (int attempt = 1;; ++attempt) {
    if (::MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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
  std::wstring wide;
  Status status = ExtendedLengthPath(path, &wide);
  if (!status.ok()) return status;
  if (!::DeleteFileW(wide.c_str())) return LastWindowsStatus();
  return Status{};
}

}  // namespace install::platform
