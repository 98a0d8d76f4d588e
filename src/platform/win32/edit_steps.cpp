#include "platform/win32/edit_steps.h"

#include "platform/call_notes.h"
#include "platform/fault_injection.h"
#include "platform/win32/error.h"
#include "platform/win32/fs.h"
#include "platform/win32/nt_file.h"

namespace install::platform {
namespace {

constexpr const char* kLockStep = "wait for another edit of the file";
constexpr DWORD kLockPollMs = 10;
constexpr ACCESS_MASK kTemporaryAccess =
    GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC | WRITE_OWNER;

constexpr int kRenameAttempts = 5;
constexpr DWORD kRenameRetryDelayMs = 20;

bool LacksTheCall(NtStatus status) {
  return status == kNtNotImplemented || status == kNtInvalidInfoClass ||
         status == kNtInvalidParameter || status == kNtNotSupported;
}

bool MayPassSoon(NtStatus status) {
  return status == kNtSharingViolation || status == kNtAccessDenied;
}

}  // namespace

Status Failed(const char* step, const Status& status) {
  NoteFailure(step, status);
  return status;
}

Status Refused(const char* step, const char* reason, DWORD error) {
  NoteFailure(step, reason);
  return StatusFromWindowsError(error);
}

Status CallingUser(std::vector<BYTE>* user) {
  UniqueObject token;
  if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) {
    if (::GetLastError() != ERROR_NO_TOKEN) return LastWindowsStatus();
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
      return LastWindowsStatus();
  }
  DWORD size = 0;
  ::GetTokenInformation(token.get(), ::TokenUser, nullptr, 0, &size);
  user->resize(size);
  if (size == 0 || !::GetTokenInformation(token.get(), ::TokenUser, user->data(), size, &size))
    return LastWindowsStatus();
  return Status{};
}

namespace {

// Whoever holds the name, an edit under way or one ending, holds it briefly.
bool HeldByAnotherEdit(NtStatus status) {
  return status == kNtSharingViolation || status == kNtDeletePending;
}

// A folder the caller may not add files to, or a read-only volume.
bool FolderRefusesFiles(NtStatus status) {
  return status == kNtAccessDenied || status == kNtMediaWriteProtected;
}

}  // namespace

Status CallerOnlySecurity::Build() {
  Status status = CallingUser(&user_);
  if (!status.ok()) return status;
  PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
  list_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
  auto* list = reinterpret_cast<ACL*>(list_.data());
  if (!::InitializeAcl(list, static_cast<DWORD>(list_.size()), ACL_REVISION) ||
      !::AddAccessAllowedAce(list, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
      !::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorDacl(&descriptor_, TRUE, list, FALSE) ||
      !::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return LastWindowsStatus();
  }
  return Status{};
}

Status TakeEditLock(HANDLE folder, const std::wstring& temporary, bool for_append,
                    UniqueFileHandle* lock) {
  CallerOnlySecurity security;
  Status status = security.Build();
  if (!status.ok()) {
    NoteFailure("create the temporary file", status);
    return status;
  }
  const ULONG options = kNtNonDirectory | (for_append ? kNtDeleteOnClose : 0);
  const DWORD start = ::GetTickCount();
  for (;;) {
    NtStatus answer = OpenRelative(folder, temporary, kTemporaryAccess, 0, kNtCreate, options,
                                   security.get(), lock);
    Status fault;
    if (answer == kNtSuccess && TakeInjectedFault(FaultPoint::kLockAttempt, &fault)) {
      MarkForDeletion(lock->get());
      lock->reset();
      answer = kNtSharingViolation;
    }
    if (answer == kNtSuccess) return Status{};
    if (answer == kNtObjectNameCollision) {
      // Nobody holds a name that opens without sharing: a crashed edit's
      // leftover, removed by handle (a link there goes, not what it names).
      UniqueFileHandle leftover;
      answer = OpenRelative(folder, temporary, DELETE, 0, kNtOpen,
                            kNtNonDirectory | kNtOpenReparsePoint, nullptr, &leftover);
      if (answer == kNtSuccess) answer = MarkForDeletion(leftover.get());
      if (answer == kNtSuccess || answer == kNtObjectNameNotFound) continue;
      // One the caller may not even open (another user's) counts as held.
      if (answer == kNtAccessDenied) answer = kNtSharingViolation;
    } else if (for_append && FolderRefusesFiles(answer)) {
      NoteFact("the folder takes no new file, so the append takes no lock");
      return Status{};
    }
    if (!HeldByAnotherEdit(answer)) {  // a folder there, a folder that takes no file
      status = StatusFromNt(answer);
      NoteFailure("create the temporary file", status);
      return status;
    }
    if (::GetTickCount() - start >= kEditLockWaitMs) {
      NoteFailure(kLockStep, "another edit held it for 10 seconds");
      return StatusFromWindowsError(WAIT_TIMEOUT);
    }
    ::Sleep(kLockPollMs);
  }
}

Status RenameOver(HANDLE file, HANDLE folder, const std::wstring& name) {
  bool posix_semantics = true;
  for (int attempt = 1;; ++attempt) {
    Status fault;
    const NtStatus answer =
        posix_semantics && TakeInjectedFault(FaultPoint::kRenameFirstWay, &fault)
            ? kNtNotSupported
            : RenameByHandle(file, folder, name, posix_semantics);
    if (answer == kNtSuccess) return Status{};
    if (posix_semantics && LacksTheCall(answer)) {
      posix_semantics = false;
      --attempt;
      continue;
    }
    if (!MayPassSoon(answer) || attempt == kRenameAttempts) return StatusFromNt(answer);
    ::Sleep(kRenameRetryDelayMs);
  }
}

}  // namespace install::platform
