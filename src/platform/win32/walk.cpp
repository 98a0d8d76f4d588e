// The tree walk on Windows: one directory listing per folder, with the
// sizes the listing already carries, so no file is ever opened.
//
// The root is widened once to its "\\?\" form and the walk runs on the wide
// functions: the "A" functions convert through a MAX_PATH buffer, and a deep
// tree must not stop at 260 characters.
//
// Depth is unbounded but open searches are not: only the deepest
// kMaxOpenLevels stay open, in a ring. Coming back up to a closed level
// lists it again and carries on after the entry the walk had descended into,
// whose name is still the last part of the current path. The path grows
// with depth; a tree too deep for the memory left fails the walk rather
// than the process.
#include "platform/walk.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <cwchar>
#include <string>

#include "platform/call_notes.h"
#include "platform/fallible_buffer.h"
#include "platform/win32/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace install::platform {
namespace {

constexpr int kMaxOpenLevels = 32;
constexpr wchar_t kSeparator = L'\\';
constexpr const wchar_t* kAllEntries = L"\\*";

bool IsDotOrDotDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Symbolic links, junctions and mount points name another place; other
// reparse points (deduplicated or cloud files) are ordinary files.
bool IsLink(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         IsReparseTagNameSurrogate(entry.dwReserved0);
}

std::uint64_t SizeOf(const WIN32_FIND_DATAW& entry) {
  return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

class TreeWalk {
 public:
  explicit TreeWalk(FileSizeSink* sink) : sink_(sink) {}

  Status Run(std::wstring_view root) {
    if (!path_.Assign(root)) return OutOfMemory();
    if (!OpenListing(&levels_[0], &entry_)) {
      return out_of_memory_ ? OutOfMemory() : LastWindowsStatus();
    }
    open_levels_ = 1;
    first_entry_pending_ = true;
    while (!out_of_memory_) {
      if (first_entry_pending_) {
        first_entry_pending_ = false;
        Visit();
      } else if (Current() && ::FindNextFileW(Current().get(), &entry_)) {
        Visit();
      } else if (!Ascend()) {
        break;
      }
    }
    return out_of_memory_ ? OutOfMemory() : Status{};
  }

 private:
  static Status OutOfMemory() {
    NoteFailure("go down the tree", kOutOfMemory);
    return Status{Error::kNoResources, 0};
  }

  UniqueFind& Current() { return levels_[depth_ % kMaxOpenLevels]; }

  // Starts listing the folder `path_` names; its first entry lands in
  // `first`.
  bool OpenListing(UniqueFind* find, WIN32_FIND_DATAW* first) {
    const std::size_t length = path_.size();
    if (!path_.Append(kAllEntries)) {
      out_of_memory_ = true;
      find->reset();
      return false;
    }
    find->reset(::FindFirstFileExW(path_.c_str(), FindExInfoBasic, first, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH));
    path_.Truncate(length);
    return static_cast<bool>(*find);
  }

  void Visit() {
    if (IsDotOrDotDot(entry_.cFileName) || IsLink(entry_)) return;
    if ((entry_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      sink_->AddFile(SizeOf(entry_));
      return;
    }
    const std::size_t parent_length = path_.size();
    if (!path_.PushBack(kSeparator) ||
        !path_.Append(entry_.cFileName, std::wcslen(entry_.cFileName))) {
      out_of_memory_ = true;
      return;
    }
    UniqueFind child;
    if (!OpenListing(&child, &entry_)) {
      path_.Truncate(parent_length);  // an unreadable sub-directory counts nothing
      return;
    }
    ++depth_;
    // When the ring is full this slot holds the shallowest open level.
    Current().reset(child.release());
    if (open_levels_ < kMaxOpenLevels) ++open_levels_;
    first_entry_pending_ = true;
  }

  // Leaves the current folder; false once the root is done.
  bool Ascend() {
    Current().reset();
    if (depth_ == 0) return false;
    --depth_;
    const std::size_t separator = path_.view().rfind(kSeparator);
    if (!child_name_.Assign(path_.view().substr(separator + 1))) {
      out_of_memory_ = true;
      return false;
    }
    path_.Truncate(separator);
    if (open_levels_ > 1) {
      --open_levels_;
      return true;
    }
    // A folder that cannot be listed again was changed under the walk; what
    // it and its ancestors had left cannot be reached.
    if (!OpenListing(&Current(), &entry_)) return false;
    while (std::wcscmp(entry_.cFileName, child_name_.c_str()) != 0) {
      if (!::FindNextFileW(Current().get(), &entry_)) {
        Current().reset();  // gone meanwhile: this level has nothing left
        break;
      }
    }
    return true;
  }

  FileSizeSink* sink_;
  WideBuffer path_;
  WideBuffer child_name_;  // Ascend's, kept for its memory
  WIN32_FIND_DATAW entry_;
  // A listing just opened holds its first entry, not yet visited.
  bool first_entry_pending_ = false;
  std::array<UniqueFind, kMaxOpenLevels> levels_;
  std::uint64_t depth_ = 0;
  int open_levels_ = 0;
  bool out_of_memory_ = false;
};

}  // namespace

Status WalkFileSizes(const char* root, FileSizeSink* sink) {
  std::wstring long_form;
  Status status = ExtendedLengthPath(root, &long_form);
  if (!status.ok()) return status;
  return TreeWalk(sink).Run(long_form);
}

}  // namespace install::platform
