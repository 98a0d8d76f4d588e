// The few file calls an edit makes through ntdll, because only there do they
// take a folder handle instead of a path: opening a name in a held folder,
// renaming by handle, marking for deletion by handle, listing streams.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/status.h"
#include "platform/win32/handles.h"

namespace install::platform {

// An NTSTATUS, and the ones the edit tells apart.
using NtStatus = LONG;
constexpr NtStatus kNtSuccess = 0;
constexpr NtStatus kNtBufferOverflow = static_cast<NtStatus>(0x80000005);
constexpr NtStatus kNtNotImplemented = static_cast<NtStatus>(0xC0000002);
constexpr NtStatus kNtInvalidInfoClass = static_cast<NtStatus>(0xC0000003);
constexpr NtStatus kNtAccessDenied = static_cast<NtStatus>(0xC0000022);
constexpr NtStatus kNtInvalidParameter = static_cast<NtStatus>(0xC000000D);
constexpr NtStatus kNtObjectNameNotFound = static_cast<NtStatus>(0xC0000034);
constexpr NtStatus kNtObjectNameCollision = static_cast<NtStatus>(0xC0000035);
constexpr NtStatus kNtSharingViolation = static_cast<NtStatus>(0xC0000043);
constexpr NtStatus kNtDeletePending = static_cast<NtStatus>(0xC0000056);
constexpr NtStatus kNtMediaWriteProtected = static_cast<NtStatus>(0xC00000A2);
constexpr NtStatus kNtNotSupported = static_cast<NtStatus>(0xC00000BB);

// NtCreateFile's dispositions and options, as the edit uses them.
constexpr ULONG kNtOpen = 1, kNtCreate = 2;
constexpr ULONG kNtSynchronous = 0x20, kNtNonDirectory = 0x40, kNtDeleteOnClose = 0x1000,
                kNtOpenReparsePoint = 0x200000;

Status StatusFromNt(NtStatus status);

// Opens `name` relative to `folder` (a folder handle, or a file handle for a
// name that is one of its streams). `security` may be null.
NtStatus OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share,
                      ULONG disposition, ULONG options, SECURITY_DESCRIPTOR* security,
                      UniqueFileHandle* out);

// Renames the open `file` to `name` in `folder`, over a file of that name.
// With `posix_semantics` the old file goes even while another program holds
// it open (with delete sharing), as on POSIX; not every system has that way.
NtStatus RenameByHandle(HANDLE file, HANDLE folder, const std::wstring& name, bool posix_semantics);

// Marks the open `file` to go when its last handle closes.
NtStatus MarkForDeletion(HANDLE file);

// The names of `file`'s data streams (":name:$DATA"), its default one
// included where the system lists it.
NtStatus ListStreams(HANDLE file, std::vector<std::wstring>* streams);

}  // namespace install::platform
