// The steps of a POSIX FileEdit that have files of their own: the lock
// (edit_lock.cpp) and the security a replacement takes (edit_security.cpp).
#pragma once

#include <string>

#include "platform/edit.h"
#include "platform/status.h"

namespace install::platform {

// Takes the lock of the edits whose temporary is `temporary` in `folder`:
// the name itself, created owner-only and locked in one step, so only
// someone who may create files in the folder can hold it. `*lock` is then
// the temporary, empty and private. A leftover under the name (a crashed
// edit's, or anything but a regular file) is removed; a live one is waited
// for, a bounded time. Where the folder cannot take the name and `may_skip`
// (an append), the edit goes on unlocked and `*lock` stays empty. Notes its
// own failure.
Status TakeEditLock(int folder, const std::string& temporary, bool may_skip, HeldHandle* lock);

// Removes the lock's name if it still names the lock, then lets it go.
void ReleaseEditLock(int folder, const std::string& temporary, int lock);

// Gives `to` exactly the security of `from`: owner and group where
// permitted, the extended attributes of `from` and no others (labels bound
// to the old content left out), and last the mode, set-ID bits included.
Status CopySecurity(int from, int to);

// Makes a rename in the folder durable where the folder can be opened; the
// rename cannot be undone, so a failure here is ignored.
void SyncFolder(int folder);

}  // namespace install::platform
