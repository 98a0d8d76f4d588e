// The edit lock on Windows: a named mutex made from the folder's identity
// on its volume, so every spelling of the folder's path (relative, short
// names, another drive letter) takes the same one. The system releases the
// mutex of an edit that ends without releasing it, a crash included, and
// tells the next owner it was abandoned.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/edit.h"
#include "platform/backend_fs.h"
#include "platform/win32/error.h"
#include "platform/win32/fs.h"
#include "platform/win32/text.h"
#include "platform/win32/wine.h"

namespace install::platform {
namespace {

constexpr const wchar_t* kMutexPrefix = L"Local\\Install.EditFolder.";
constexpr wchar_t kSeparator = L'\\';
constexpr int kHexDigitsPerWord = 16;

void AppendHex(std::uint64_t value, std::wstring* out) {
  for (int digit = kHexDigitsPerWord - 1; digit >= 0; --digit) {
    out->push_back(L"0123456789ABCDEF"[(value >> (digit * 4)) & 0xF]);
  }
}

Status MutexName(const char* path, std::wstring* name) {
  std::wstring wide;
  Status status = ExtendedLengthPath(path, &wide);
  if (!status.ok()) return status;
  const std::wstring folder = wide.substr(0, wide.rfind(kSeparator));
  HANDLE handle = ::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastWindowsStatus();
  BY_HANDLE_FILE_INFORMATION info;
  const BOOL known = ::GetFileInformationByHandle(handle, &info);
  ::CloseHandle(handle);
  if (!known) return LastWindowsStatus();
  *name = kMutexPrefix;
  AppendHex(info.dwVolumeSerialNumber, name);
  AppendHex((std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, name);
  return Status{};
}

// The system's replace keeps what the old file was, besides its bytes: its
// security descriptor (access list, and owner where permitted), attributes,
// encryption, compression and alternate streams, which a file renamed onto
// it would lose for the folder's defaults. Where it does not apply (a file
// system without it, a failure part-way), the plain rename is the fallback,
// keeping only the attributes CopyAccessFrom put on the new file. Without a
// backup name its one documented half-done case leaves the old name empty
// and the new file under its temporary name, which the rename puts back.
Status ReplaceKeepingSecurity(const std::string& from, const char* to) {
  std::wstring wide_from, wide_to;
  Status status = ExtendedLengthPath(from.c_str(), &wide_from);
  if (status.ok()) status = ExtendedLengthPath(to, &wide_to);
  if (!status.ok()) return status;
  if (IsReadOnly(wide_to)) return StatusFromWindowsError(ERROR_ACCESS_DENIED);
  // Wine's ReplaceFileW moves the old file aside before it moves the new one
  // in, so for a moment the path names nothing; and a file under Wine has no
  // access list or streams of its own for it to keep. There the rename is the
  // whole replace.
  if (!RunningUnderWine() &&
      ::ReplaceFileW(wide_to.c_str(), wide_from.c_str(), nullptr, 0, nullptr, nullptr)) {
    return Status{};
  }
  return ReplaceAtomically(from.c_str(), to);
}

// Released on the thread that took it: an edit runs on its caller's thread.
void ReleaseHeld(std::intptr_t* handle) {
  if (*handle == -1) return;
  HANDLE mutex = reinterpret_cast<HANDLE>(*handle);
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
  *handle = -1;
}

}  // namespace

Status EditLock::Take(const char* path, EditLock* out) {
  std::wstring name;
  Status status = MutexName(path, &name);
  if (!status.ok()) return status;
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return LastWindowsStatus();
  const DWORD waited = ::WaitForSingleObject(mutex, kEditLockWaitMs);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    status = waited == WAIT_TIMEOUT ? StatusFromWindowsError(WAIT_TIMEOUT) : LastWindowsStatus();
    ::CloseHandle(mutex);
    return status;
  }
  ReleaseHeld(&out->handle_);
  out->handle_ = reinterpret_cast<std::intptr_t>(mutex);
  return Status{};
}

EditLock::~EditLock() { ReleaseHeld(&handle_); }

Status ReplacementFile::Replace(const char* target) {
  Status fault;
  if (TakeInjectedFault(FaultPoint::kReplace, &fault)) return fault;
  file_ = File();  // the system opens the file itself
  const Status status = ReplaceKeepingSecurity(path_, target);
  if (status.ok()) path_.clear();
  return status;
}

}  // namespace install::platform
