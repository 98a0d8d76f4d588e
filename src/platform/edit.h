// Editing a file in place of the old one (edit_lock.cpp, fs.cpp and
// replacement_file.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/status.h"

namespace install::platform {

// `path` itself, or where it leads when its last part is a symbolic link, so
// that a linked file is locked and rewritten in its own folder.
Status FinalPath(const char* path, std::string* final_path);

// The edit lock of a folder. Every edit of a file in it (by this library, in
// any process or thread) holds it throughout, so an append and a rewrite of
// one file take turns, and so do two rewrites whose temporaries share a name
// (host.cfg and host.ini). A crashed holder's lock is released by the
// system, so what an edit finds under its temporary name while it holds the
// lock is a leftover, never another edit's work. Take waits a bounded time
// for the edit under way, then fails.
class EditLock {
 public:
  EditLock() = default;
  EditLock(const EditLock&) = delete;
  EditLock& operator=(const EditLock&) = delete;
  ~EditLock();

  // Locks the folder that holds `path`.
  static Status Take(const char* path, EditLock* out);

 private:
  std::intptr_t handle_ = -1;  // a POSIX descriptor or a Windows HANDLE
};

// A new, empty file under a temporary name, made while the edit lock of its
// folder is held: a leftover under the name is removed first (a folder there
// is not, and fails it). Destroying one that has not replaced its target
// removes it.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  static Status Create(const char* path, ReplacementFile* out);
  File& file() { return file_; }

  // Puts the closed file in the place of `target`, in the same folder, in
  // one step: at every instant `target` names the complete old file or the
  // complete new one. On Windows the system's own replace keeps the target's
  // security, streams and encryption where it applies.
  Status Replace(const char* target);

 private:
  File file_;
  std::string path_;  // empty once it has replaced its target
};

}  // namespace install::platform
