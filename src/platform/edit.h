// Editing a file in a folder that other people may be able to write (edit.cpp
// of each backend). The path is resolved once, at the start; every later step
// works by handle on the folder that holds the file. No other process, no
// user swapping a folder or planting a link, and no host thread changing the
// current folder can move where an edit reads or writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/status.h"
#include "platform/unique_handle.h"

namespace install::platform {

enum class EditKind {
  kAppend,           // the file is opened for appending only
  kRewrite,          // the file is opened for reading; a replacement is written beside it
  kCreateOrRewrite,  // as kRewrite, but a missing file is no failure: file() is then closed
};

// The name of the temporary beside a file, from the file's own name as the
// system will use it (no folder part). The same name is the edit's lock, so
// two files whose temporaries share a name take turns.
using TemporaryNamer = std::string (*)(std::string_view file_name);

// A folder, file or lock handle an edit holds: a POSIX descriptor or a
// Windows HANDLE, -1 being "none" on both; each backend closes its own.
struct HeldHandleTraits {
  using Type = std::intptr_t;
  static constexpr Type Invalid() { return -1; }
  static void Close(Type handle);
};
using HeldHandle = UniqueHandle<HeldHandleTraits>;

// One edit of one file, from Begin to Commit or to its destruction. Each
// failing step notes itself for the diagnostic log ("follow the link",
// "check the file", "wait for another edit of the file", "open the file",
// "create the temporary file", "copy the file's security", "replace the
// file", ...), so callers only map a failure to their result.
//
// Destroying an edit that was not committed releases its lock and removes
// the temporary it made, unless a failed replace left the file's name
// empty: then the temporary, the only copy, stays and the log names it.
class FileEdit {
 public:
  FileEdit() = default;
  FileEdit(const FileEdit&) = delete;
  FileEdit& operator=(const FileEdit&) = delete;
  ~FileEdit();

  // Resolves `path` once (a relative one against the current folder, now)
  // and holds the folder that contains it; follows a final link only where
  // whoever could plant it could already write what it leads to; refuses
  // anything but a regular file without opening it, and for a rewrite a file
  // whose own name is its temporary's in any letter case; takes the lock
  // (waiting a bounded time for another edit of the file) and opens the file
  // as `kind` says.
  static Status Begin(const char* path, EditKind kind, TemporaryNamer namer, FileEdit* out);

  // The file itself: for appending (kAppend) or reading (the rewrites).
  File& file() { return file_; }
  // kAppend, after a failed Close: the same file again, checked to be the
  // very file Begin opened, so that the append can be taken back.
  Status ReopenFile();

  // Rewrites: the replacement, empty and private to the caller, in the held
  // folder under the temporary's name.
  Status CreateReplacement();
  File& replacement() { return replacement_; }

  // Rewrites, once the replacement is written, flushed and closed: gives it
  // exactly the file's security (owner and group where permitted, the mode
  // with its set-ID bits, access lists and other security attributes; labels
  // bound to the old content are not copied) and puts it in the file's place
  // in one step: at every instant the name gives the whole old file or the
  // whole new one. A new settings file (kCreateOrRewrite) stays private.
  Status Commit();

  // The file's name in its held folder, after any link was followed.
  const std::string& file_name() const { return name_; }

 private:
  HeldHandle folder_;
  HeldHandle lock_;
  File file_;
  File replacement_;
  std::string name_;
  std::string temporary_name_;
  std::uint64_t device_ = 0, inode_ = 0;  // the file Begin opened, for ReopenFile
  EditKind kind_ = EditKind::kAppend;
  bool locked_ = false;
  bool replaced_ = false;
};

// Runs between the steps of Begin, for tests that change the world mid-call
// (the current folder, a link); null to stop.
void SetEditStepHookForTesting(void (*hook)());

}  // namespace install::platform
