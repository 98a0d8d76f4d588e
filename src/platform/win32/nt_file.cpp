#include "platform/win32/nt_file.h"

#include <winternl.h>

#include <cstddef>
#include <cstring>

#include "platform/win32/error.h"

namespace install::platform {
namespace {

// Classes newer than the headers' list.
constexpr auto kRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr auto kDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
constexpr auto kStreamInformation = static_cast<FILE_INFORMATION_CLASS>(22);
constexpr auto kRenameInformationEx = static_cast<FILE_INFORMATION_CLASS>(65);
constexpr ULONG kRenameReplaceIfExists = 0x1, kRenamePosixSemantics = 0x2;
constexpr ULONG kFirstStreamBufferBytes = 1024;

struct RenameInformation {
  ULONG flags;  // a BOOLEAN "replace if exists" for the older class
  HANDLE root_directory;
  ULONG name_bytes;
  WCHAR name[1];
};

struct StreamInformation {
  ULONG next_entry_offset;
  ULONG name_bytes;
  LARGE_INTEGER size;
  LARGE_INTEGER allocation_size;
  WCHAR name[1];
};

}  // namespace

Status StatusFromNt(NtStatus status) {
  return StatusFromWindowsError(::RtlNtStatusToDosError(status));
}

NtStatus OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share,
                      ULONG disposition, ULONG options, SECURITY_DESCRIPTOR* security,
                      UniqueFileHandle* out) {
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name.c_str());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, security);
  IO_STATUS_BLOCK io;
  HANDLE handle = nullptr;
  const NtStatus status = ::NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr,
                                         FILE_ATTRIBUTE_NORMAL, share, disposition,
                                         options | kNtSynchronous, nullptr, 0);
  if (status == kNtSuccess) out->reset(handle);
  return status;
}

NtStatus RenameByHandle(HANDLE file, HANDLE folder, const std::wstring& name,
                        bool posix_semantics) {
  const ULONG name_bytes = static_cast<ULONG>(name.size() * sizeof(wchar_t));
  std::vector<std::byte> buffer(offsetof(RenameInformation, name) + name_bytes);
  auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
  rename->flags = posix_semantics ? kRenameReplaceIfExists | kRenamePosixSemantics : TRUE;
  rename->root_directory = folder;
  rename->name_bytes = name_bytes;
  std::memcpy(rename->name, name.data(), name_bytes);
  IO_STATUS_BLOCK io;
  return ::NtSetInformationFile(file, &io, rename, static_cast<ULONG>(buffer.size()),
                                posix_semantics ? kRenameInformationEx : kRenameInformation);
}

NtStatus MarkForDeletion(HANDLE file) {
  BOOLEAN remove = TRUE;
  IO_STATUS_BLOCK io;
  return ::NtSetInformationFile(file, &io, &remove, sizeof remove, kDispositionInformation);
}

NtStatus ListStreams(HANDLE file, std::vector<std::wstring>* streams) {
  std::vector<std::byte> buffer(kFirstStreamBufferBytes);
  NtStatus status;
  IO_STATUS_BLOCK io;
  while ((status = ::NtQueryInformationFile(
              file, &io, buffer.data(), static_cast<ULONG>(buffer.size()), kStreamInformation)) ==
         kNtBufferOverflow) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != kNtSuccess) return status;
  streams->clear();
  for (std::size_t at = 0; io.Information != 0;) {
    const auto* entry = reinterpret_cast<const StreamInformation*>(buffer.data() + at);
    streams->emplace_back(entry->name, entry->name_bytes / sizeof(wchar_t));
    if (entry->next_entry_offset == 0) break;
    at += entry->next_entry_offset;
  }
  return kNtSuccess;
}

}  // namespace install::platform
