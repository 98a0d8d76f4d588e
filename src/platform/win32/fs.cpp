// Files on Windows, through the wide functions and every path in its "\\?\"
// form, so that no path stops at 260 characters.
#include "platform/win32/fs.h"

#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/win32/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace install::platform {
namespace {

HANDLE Native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t Owned(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

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

// Opening for reading is the honest test: it asks the file's access list,
// where the attribute query behind _access only asks whether it exists. The
// name is opened for its attributes first, and only a file on a disk is
// then opened for reading, by that handle: a device never sees the call (the
// edit refuses it later), nor does a file swapped in between. Folders open
// too (and are refused later, as files that cannot be edited), and a file
// another program holds without sharing may be read.
Status CheckReadable(const char* path) {
  UniqueFileHandle probe, file;
  Status status = OpenLongPath(path, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, probe.put());
  if (!status.ok() || ::GetFileType(probe.get()) != FILE_TYPE_DISK) return status;
  file.reset(::ReOpenFile(probe.get(), GENERIC_READ, kShareAll, FILE_FLAG_BACKUP_SEMANTICS));
  if (file || ::GetLastError() == ERROR_SHARING_VIOLATION) return Status{};
  return LastWindowsStatus();
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
  UniqueFileHandle writable(::ReOpenFile(Native(handle_), GENERIC_WRITE, kShareAll, 0));
  if (!writable) return LastWindowsStatus();
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(writable.get(), distance, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(writable.get())) {
    return LastWindowsStatus();
  }
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

}  // namespace install::platform
