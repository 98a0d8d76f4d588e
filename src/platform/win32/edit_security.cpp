// What a rewritten file keeps besides its bytes on Windows: the system's
// replace would keep it, but its half-done failures can leave the file's
// name empty, so the edit copies it itself before renaming by handle.
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/call_notes.h"
#include "platform/fault_injection.h"
#include "platform/win32/edit_steps.h"
#include "platform/win32/error.h"
#include "platform/win32/fs.h"
#include "platform/win32/nt_file.h"

namespace install::platform {
namespace {

constexpr SECURITY_INFORMATION kOwnerAndGroup =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION;
// Read-only is left out: the replacement must stay removable if the rename
// fails, and a read-only file is never replaced anyway.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr wchar_t kDefaultStream[] = L"::$DATA";
constexpr DWORD kStreamBlockBytes = 64 * 1024;

Status CopyDescriptor(HANDLE source, HANDLE target) {
  const SECURITY_INFORMATION wanted = kOwnerAndGroup | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  ::GetKernelObjectSecurity(source, wanted, nullptr, 0, &size);
  std::vector<BYTE> descriptor(size);
  if (size == 0 || !::GetKernelObjectSecurity(source, wanted, descriptor.data(), size, &size))
    return LastWindowsStatus();
  Status fault;
  if (TakeInjectedFault(FaultPoint::kCopySecurity, &fault)) return fault;
  if (::SetKernelObjectSecurity(target, wanted, descriptor.data())) return Status{};
  const DWORD error = ::GetLastError();
  if (error != ERROR_INVALID_OWNER && error != ERROR_INVALID_PRIMARY_GROUP &&
      error != ERROR_ACCESS_DENIED && error != ERROR_PRIVILEGE_NOT_HELD) {
    return StatusFromWindowsError(error);
  }
  // Only the owner may not be given away: the access list must still hold.
  if (!::SetKernelObjectSecurity(target, DACL_SECURITY_INFORMATION, descriptor.data()))
    return LastWindowsStatus();
  NoteFact("the file's owner could not be kept: the caller owns the new file");
  return Status{};
}

Status CopyAttributes(HANDLE source, HANDLE target) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(source, &info)) return LastWindowsStatus();
  FILE_BASIC_INFO basic = {};  // zero times: left as they are
  basic.FileAttributes = info.dwFileAttributes & kCopiedAttributes;
  if (basic.FileAttributes == 0) return Status{};  // zero would mean "unchanged"
  if (!::SetFileInformationByHandle(target, FileBasicInfo, &basic, sizeof basic))
    return LastWindowsStatus();
  return Status{};
}

Status CopyStream(HANDLE source, HANDLE target, const std::wstring& stream) {
  UniqueFileHandle from, to;
  NtStatus answer = OpenRelative(source, stream, GENERIC_READ, kShareAll, kNtOpen, kNtNonDirectory,
                                 nullptr, &from);
  if (answer == kNtSuccess) {
    answer =
        OpenRelative(target, stream, GENERIC_WRITE, 0, kNtCreate, kNtNonDirectory, nullptr, &to);
  }
  if (answer != kNtSuccess) return StatusFromNt(answer);
  std::vector<char> block(kStreamBlockBytes);
  for (;;) {
    DWORD got = 0, wrote = 0;
    if (!::ReadFile(from.get(), block.data(), kStreamBlockBytes, &got, nullptr))
      return LastWindowsStatus();
    if (got == 0) return Status{};
    if (!::WriteFile(to.get(), block.data(), got, &wrote, nullptr) || wrote != got)
      return LastWindowsStatus();
  }
}

// A file system that cannot list streams keeps none to lose.
Status CopyStreams(HANDLE source, HANDLE target) {
  std::vector<std::wstring> streams;
  const NtStatus answer = ListStreams(source, &streams);
  if (answer == kNtNotImplemented || answer == kNtInvalidInfoClass ||
      answer == kNtInvalidParameter || answer == kNtNotSupported) {
    return Status{};
  }
  if (answer != kNtSuccess) return StatusFromNt(answer);
  for (const std::wstring& stream : streams) {
    if (_wcsicmp(stream.c_str(), kDefaultStream) == 0) continue;
    const Status status = CopyStream(source, target, stream);
    if (!status.ok()) return status;
  }
  return Status{};
}

}  // namespace

Status CopySecurity(HANDLE source, HANDLE target) {
  Status status = CopyDescriptor(source, target);
  if (status.ok()) status = CopyAttributes(source, target);
  if (!status.ok()) return Failed("copy the file's security", status);
  status = CopyStreams(source, target);
  return status.ok() ? status : Failed("copy the file's streams", status);
}

}  // namespace install::platform
