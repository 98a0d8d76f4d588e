// Where an edit works, decided once: the folder that holds the file and the
// name the system will use in it, after a final link where one may be
// followed.
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/call_notes.h"
#include "platform/win32/edit_steps.h"
#include "platform/win32/error.h"
#include "platform/win32/fs.h"
#include "platform/win32/nt_file.h"

namespace install::platform {
namespace {

constexpr wchar_t kSeparator = L'\\';
constexpr wchar_t kDefaultStreamSuffix[] = L"::$DATA";
constexpr ACCESS_MASK kProbeAccess = FILE_READ_ATTRIBUTES | READ_CONTROL;
constexpr const char* kLinkStep = "follow the link";

bool EndsWithIgnoringCase(const std::wstring& text, const wchar_t* suffix) {
  const std::size_t length = std::wcslen(suffix);
  return text.size() >= length && _wcsicmp(text.c_str() + text.size() - length, suffix) == 0;
}

Status OwnerOf(HANDLE handle, std::vector<BYTE>* descriptor, PSID* owner) {
  DWORD size = 0;
  ::GetKernelObjectSecurity(handle, OWNER_SECURITY_INFORMATION, nullptr, 0, &size);
  descriptor->resize(size);
  BOOL defaulted = FALSE;
  if (size == 0 ||
      !::GetKernelObjectSecurity(handle, OWNER_SECURITY_INFORMATION, descriptor->data(), size,
                                 &size) ||
      !::GetSecurityDescriptorOwner(descriptor->data(), owner, &defaulted) || *owner == nullptr) {
    return LastWindowsStatus();
  }
  return Status{};
}

// The rule protected links follow on POSIX, in Windows' terms.
Status MayFollow(HANDLE link, HANDLE target_folder, HANDLE target) {
  std::vector<BYTE> user, link_security, folder_security, target_security;
  PSID link_owner = nullptr, folder_owner = nullptr, target_owner = nullptr;
  Status status = CallingUser(&user);
  if (status.ok()) status = OwnerOf(link, &link_security, &link_owner);
  if (status.ok()) status = OwnerOf(target_folder, &folder_security, &folder_owner);
  if (status.ok()) status = OwnerOf(target, &target_security, &target_owner);
  if (!status.ok()) return Failed(kLinkStep, status);
  const PSID caller = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  if (::EqualSid(link_owner, caller) || ::IsWellKnownSid(link_owner, WinBuiltinAdministratorsSid) ||
      ::IsWellKnownSid(link_owner, WinLocalSystemSid) || ::EqualSid(link_owner, folder_owner) ||
      ::EqualSid(link_owner, target_owner)) {
    return Status{};
  }
  return Refused(kLinkStep, "the link's owner could not already write the file it leads to",
                 ERROR_ACCESS_DENIED);
}

Status FinalPathOf(HANDLE handle, std::wstring* path) {
  const DWORD needed = ::GetFinalPathNameByHandleW(handle, nullptr, 0, VOLUME_NAME_DOS);
  path->assign(needed, L'\0');
  const DWORD length =
      needed == 0 ? 0 : ::GetFinalPathNameByHandleW(handle, path->data(), needed, VOLUME_NAME_DOS);
  if (length == 0 || length >= needed) return LastWindowsStatus();
  path->resize(length);
  return Status{};
}

}  // namespace

Status SplitFullPath(const std::wstring& full, std::wstring* folder, std::wstring* name) {
  const std::size_t separator = full.rfind(kSeparator);
  *folder = full.substr(0, separator + 1);
  *name = full.substr(separator + 1);
  if (EndsWithIgnoringCase(*name, kDefaultStreamSuffix))
    name->resize(name->size() - std::wcslen(kDefaultStreamSuffix));
  if (name->empty()) return Refused("check the file", "the path ends in a folder", ERROR_DIRECTORY);
  if (name->find(L':') != std::wstring::npos)
    return Refused("check the file", "the path names a stream of a file", ERROR_INVALID_NAME);
  return Status{};
}

Status OpenFolder(const std::wstring& folder, ACCESS_MASK access, HeldHandle* out) {
  UniqueFileHandle handle(::CreateFileW(folder.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return LastWindowsStatus();
  out->reset(Held(std::move(handle)));
  return Status{};
}

Status Identify(HANDLE handle, Identity* identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info)) return LastWindowsStatus();
  identity->attributes = info.dwFileAttributes;
  identity->volume = info.dwVolumeSerialNumber;
  identity->index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return Status{};
}

bool IsLink(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  return ::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
         (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         IsReparseTagNameSurrogate(tag.ReparseTag);
}

Status FollowFinalLink(HeldHandle* folder, std::wstring* name, UniqueFileHandle* probe) {
  if (!IsLink(probe->get())) return Status{};
  UniqueFileHandle target, again;
  HeldHandle target_folder;
  std::wstring path, target_folder_path, target_name;
  Identity led_to, found;
  Status status = StatusFromNt(
      OpenRelative(Native(*folder), *name, kProbeAccess, kShareAll, kNtOpen, 0, nullptr, &target));
  if (status.ok()) status = FinalPathOf(target.get(), &path);
  if (status.ok()) status = SplitFullPath(path, &target_folder_path, &target_name);
  if (status.ok())
    status = OpenFolder(target_folder_path, FILE_TRAVERSE | READ_CONTROL, &target_folder);
  if (!status.ok()) return Failed(kLinkStep, status);
  if (!(status = MayFollow(probe->get(), Native(target_folder), target.get())).ok()) return status;
  // The file must be the one the link led to, found again from its folder
  // without following anything.
  status = StatusFromNt(OpenRelative(Native(target_folder), target_name, kProbeAccess, kShareAll,
                                     kNtOpen, kNtOpenReparsePoint, nullptr, &again));
  if (status.ok()) status = Identify(target.get(), &led_to);
  if (status.ok()) status = Identify(again.get(), &found);
  if (!status.ok()) return Failed(kLinkStep, status);
  if (found.volume != led_to.volume || found.index != led_to.index)
    return Refused(kLinkStep, "the link changed meanwhile", ERROR_ACCESS_DENIED);
  *folder = std::move(target_folder);
  *name = std::move(target_name);
  *probe = std::move(again);
  return Status{};
}

}  // namespace install::platform
