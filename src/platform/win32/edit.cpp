// FileEdit on Windows: the path made absolute once, its folder opened once
// and held, and every later step relative to that handle (ntdll's opens take
// a folder handle) or by handle (the rename). The lock is the temporary's
// own name (edit_steps.cpp).
#include "platform/edit.h"

#include <windows.h>

#include <cwctype>
#include <string>

#include "platform/ascii.h"
#include "platform/call_notes.h"
#include "platform/fault_injection.h"
#include "platform/win32/edit_steps.h"
#include "platform/win32/error.h"
#include "platform/win32/fs.h"
#include "platform/win32/nt_file.h"
#include "platform/win32/text.h"

namespace install::platform {
namespace {

constexpr ACCESS_MASK kProbeAccess = FILE_READ_ATTRIBUTES | READ_CONTROL;
constexpr ACCESS_MASK kReadAccess = GENERIC_READ | READ_CONTROL;
constexpr ACCESS_MASK kAppendAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES;
constexpr ULONG kSequentialOnly = 0x4;
constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenRetryDelayMs = 20;

// Decided on a handle with no data access that did not follow a link, so a
// device, a folder or a link is refused before anything could affect it.
Status RefuseUnlessRegular(HANDLE handle, Identity* identity) {
  if (::GetFileType(handle) != FILE_TYPE_DISK)
    return Refused("check the file", "it is not a regular file", ERROR_INVALID_FUNCTION);
  const Status status = Identify(handle, identity);
  if (!status.ok()) return Failed("check the file", status);
  if ((identity->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return Refused("check the file", "it is a folder", ERROR_DIRECTORY);
  if (IsLink(handle))
    return Refused("check the file", "it became a link meanwhile", ERROR_INVALID_FUNCTION);
  return Status{};
}

}  // namespace

void HeldHandleTraits::Close(std::intptr_t handle) {
  ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

Status FileEdit::Begin(const char* path, EditKind kind, TemporaryNamer namer, FileEdit* out) {
  FileEdit& edit = *out;
  edit.kind_ = kind;
  std::wstring full, folder, name;
  Status status = ExtendedLengthPath(path, &full);
  if (!status.ok()) return Failed("open the folder", status);
  if (!(status = SplitFullPath(full, &folder, &name)).ok()) return status;
  if (!(status = OpenFolder(folder, FILE_TRAVERSE, &edit.folder_)).ok())
    return Failed("open the folder", status);
  RunEditStepHook();

  const bool may_be_missing = kind == EditKind::kCreateOrRewrite;
  const char* const open_step =
      kind == EditKind::kAppend ? "open the file for writing" : "open the file";
  UniqueFileHandle probe;
  NtStatus answer = OpenRelative(Native(edit.folder_), name, kProbeAccess, kShareAll, kNtOpen,
                                 kNtOpenReparsePoint, nullptr, &probe);
  const bool missing = answer == kNtObjectNameNotFound && may_be_missing;
  if (answer != kNtSuccess && !missing) return Failed(open_step, StatusFromNt(answer));
  if (!missing) {
    if (!(status = FollowFinalLink(&edit.folder_, &name, &probe)).ok()) return status;
    Identity identity;
    if (!(status = RefuseUnlessRegular(probe.get(), &identity)).ok()) return status;
  }
  probe.reset();
  if (!(status = TextFromWide(name, &edit.name_)).ok()) return Failed(open_step, status);
  edit.temporary_name_ = namer(edit.name_);
  const bool own_temporary = EqualsIgnoringAsciiCase(edit.temporary_name_, edit.name_);
  if (own_temporary && kind != EditKind::kAppend)
    return Refused("name the temporary file", "the file has the temporary's own name",
                   ERROR_INVALID_NAME);
  RunEditStepHook();

  if (own_temporary) {
    NoteFact("the file has its temporary's name, so the append takes no lock");
  } else {
    std::wstring temporary;
    if (!(status = WideFromText(edit.temporary_name_, &temporary)).ok())
      return Failed("create the temporary file", status);
    UniqueFileHandle lock;
    status = TakeEditLock(Native(edit.folder_), temporary, kind == EditKind::kAppend, &lock);
    if (!status.ok()) return status;
    edit.locked_ = lock.is_valid();
    edit.lock_.reset(Held(std::move(lock)));
  }
  RunEditStepHook();

  // Opened again under the lock, without following anything: another edit
  // may have replaced the file meanwhile, and someone may have put a link
  // in its place. A rewrite that has just renamed its temporary onto the
  // file may still hold it, without sharing, for a moment; so may a scanner.
  UniqueFileHandle file;
  for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
    if (attempt > 1) ::Sleep(kOpenRetryDelayMs);
    answer = OpenRelative(
        Native(edit.folder_), name, kind == EditKind::kAppend ? kAppendAccess : kReadAccess,
        kind == EditKind::kAppend ? kShareAll : FILE_SHARE_READ, kNtOpen,
        kNtNonDirectory | kNtOpenReparsePoint | (kind == EditKind::kAppend ? 0 : kSequentialOnly),
        nullptr, &file);
    if (answer != kNtSharingViolation) break;
  }
  if (answer == kNtObjectNameNotFound && may_be_missing) return Status{};
  if (answer != kNtSuccess) return Failed(open_step, StatusFromNt(answer));
  Identity identity;
  if (!(status = RefuseUnlessRegular(file.get(), &identity)).ok()) return status;
  edit.device_ = identity.volume;
  edit.inode_ = identity.index;
  edit.file_ = File(Held(std::move(file)));
  return Status{};
}

Status FileEdit::ReopenFile() {
  std::wstring name;
  Status status = WideFromText(name_, &name);
  if (!status.ok()) return status;
  UniqueFileHandle file;
  const NtStatus answer = OpenRelative(Native(folder_), name, kAppendAccess, kShareAll, kNtOpen,
                                       kNtNonDirectory | kNtOpenReparsePoint, nullptr, &file);
  if (answer != kNtSuccess) return StatusFromNt(answer);
  Identity identity;
  if (!(status = Identify(file.get(), &identity)).ok()) return status;
  if (identity.volume != device_ || identity.index != inode_)
    return StatusFromWindowsError(ERROR_FILE_INVALID);
  file_ = File(Held(std::move(file)));
  return Status{};
}

Status FileEdit::CreateReplacement() {
  // The lock is the temporary: created empty and private by this edit.
  HANDLE copy = nullptr;
  if (kind_ == EditKind::kAppend || !locked_ ||
      !::DuplicateHandle(::GetCurrentProcess(), Native(lock_), ::GetCurrentProcess(), &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS)) {
    return Failed("create the temporary file", LastWindowsStatus());
  }
  replacement_ = File(reinterpret_cast<std::intptr_t>(copy));
  return Status{};
}

Status FileEdit::Commit() {
  Status status;
  if (file_.is_open()) {
    const HANDLE file = reinterpret_cast<HANDLE>(file_.handle_);
    Identity identity;
    if (!(status = Identify(file, &identity)).ok()) return Failed("replace the file", status);
    // Windows refuses to replace a read-only file. Saying so up front keeps
    // that answer where the file system would let the rename through.
    if ((identity.attributes & FILE_ATTRIBUTE_READONLY) != 0)
      return Refused("replace the file", "the file is read-only", ERROR_ACCESS_DENIED);
    if (!(status = CopySecurity(file, Native(lock_))).ok()) return status;
    file_ = File();  // the rename must not find it open here
  } else if (kind_ == EditKind::kRewrite) {
    // Without the old file there is no security to copy, and a private
    // file must not quietly take its place.
    return Failed("copy the file's security", StatusFromWindowsError(ERROR_INVALID_HANDLE));
  }
  if (TakeInjectedFault(FaultPoint::kReplace, &status)) return Failed("replace the file", status);
  std::wstring name;
  if ((status = WideFromText(name_, &name)).ok())
    status = RenameOver(Native(lock_), Native(folder_), name);
  if (!status.ok()) return Failed("replace the file", status);
  replaced_ = true;
  lock_.reset();
  return Status{};
}

FileEdit::~FileEdit() {
  file_ = File();
  replacement_ = File();
  // An append's lock goes as it closes. A rewrite's is its temporary: the
  // rename is one step, so when it did not happen the file is whole and the
  // temporary only this edit's work.
  if (locked_ && !replaced_ && kind_ != EditKind::kAppend) MarkForDeletion(Native(lock_));
}

}  // namespace install::platform
