// The steps of a Windows edit (edit.cpp) that stand on their own: the lock,
// the caller-only security of a new temporary, and the copy of a file's
// security onto its replacement.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/edit.h"
#include "platform/status.h"
#include "platform/win32/handles.h"

namespace install::platform {

inline HANDLE Native(const HeldHandle& handle) { return reinterpret_cast<HANDLE>(handle.get()); }
inline std::intptr_t Held(UniqueFileHandle handle) {
  return reinterpret_cast<std::intptr_t>(handle.release());
}

// Note the failing step for the log and answer the failure.
Status Failed(const char* step, const Status& status);
Status Refused(const char* step, const char* reason, DWORD error);

// ---- Paths, resolved once (edit_paths.cpp) ------------------------------

// Splits a full "\\?\" path into its folder (with its separator, so that a
// drive's root stays "C:\", not the volume "C:") and the name the system
// will use: the default stream's suffix dropped (trailing dots, spaces and
// separators are gone already). Refuses a name of a stream or none.
Status SplitFullPath(const std::wstring& full, std::wstring* folder, std::wstring* name);
Status OpenFolder(const std::wstring& folder, ACCESS_MASK access, HeldHandle* out);

struct Identity {
  DWORD attributes = 0;
  std::uint64_t volume = 0, index = 0;
};
Status Identify(HANDLE handle, Identity* identity);
// A symbolic link or junction, as opposed to a file the system merely
// stores in some special way.
bool IsLink(HANDLE handle);

// Where `probe` (`name` in `folder`, opened without following anything) is a
// link, follows it once to the file it finally leads to, if whoever could
// plant it could already write that file: its owner is the caller, an
// administrator, or the owner of the file or of its folder. Then `folder`,
// `name` and `probe` are the file's own, checked to be what the link led
// to. Notes "follow the link" on a refusal.
Status FollowFinalLink(HeldHandle* folder, std::wstring* name, UniqueFileHandle* probe);

// ---- Steps on the held folder (edit_steps.cpp, edit_security.cpp) --------

Status CallingUser(std::vector<BYTE>* token_user);

// A security descriptor whose access list grants the calling user alone
// (the thread's token when it impersonates, else the process's).
class CallerOnlySecurity {
 public:
  Status Build();
  SECURITY_DESCRIPTOR* get() { return &descriptor_; }

 private:
  std::vector<BYTE> user_, list_;
  SECURITY_DESCRIPTOR descriptor_{};
};

// The edit lock: the temporary's name in `folder`, created by this edit and
// held open with no sharing, so any other edit that needs the name waits
// for it. Taking it needs only the right to create a file in the folder. A
// leftover under the name that nobody holds (an edit that crashed) is
// removed; one the caller may not open counts as held. An append's lock
// (`for_append`) goes when its handle closes, a crash included, and in a
// folder that takes no new file the append goes ahead without one (`lock`
// then holds nothing). A rewrite's lock is its replacement, private to the
// caller. Notes "wait for another edit of the file" on failure.
Status TakeEditLock(HANDLE folder, const std::wstring& temporary, bool for_append,
                    UniqueFileHandle* lock);

// Gives `target` exactly `source`'s access list, its owner and group where
// the caller may set them (the log says when not), its attributes (less
// read-only) and its alternate data streams. Notes its own failing step.
Status CopySecurity(HANDLE source, HANDLE target);

// Renames `file` over `name` in `folder` in one step: the way that replaces
// a file other programs hold open where the system has it, else the plain
// one, chosen on the first one's answer; a moment's sharing refusal (a
// scanner) is retried.
Status RenameOver(HANDLE file, HANDLE folder, const std::wstring& name);

}  // namespace install::platform
