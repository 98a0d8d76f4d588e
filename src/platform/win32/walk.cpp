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
// whose name is still the last part of the current path.
#include <windows.h>

#include <array>
#include <cstdint>
#include <cwchar>
#include <string>

#include "platform/walk.h"
#include "platform/win32/error.h"
#include "platform/win32/text.h"

namespace install::platform {
namespace {

constexpr int kMaxOpenLevels = 32;
constexpr wchar_t kSeparator = L'\\';
constexpr const wchar_t* kAllEntries = L"\\*";

class OwnedFind {
 public:
  OwnedFind() = default;
  OwnedFind(const OwnedFind&) = delete;
  OwnedFind& operator=(const OwnedFind&) = delete;
  ~OwnedFind() { reset(); }
  void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (handle_ != INVALID_HANDLE_VALUE) ::FindClose(handle_);
    handle_ = handle;
  }
  HANDLE get() const { return handle_; }
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

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

  Status Run(std::wstring root) {
    path_ = std::move(root);
    if (!OpenListing(&levels_[0], &entry_)) return LastWindowsStatus();
    open_levels_ = 1;
    first_entry_pending_ = true;
    for (;;) {
      if (first_entry_pending_) {
        first_entry_pending_ = false;
        Visit();
      } else if (Current() && ::FindNextFileW(Current().get(), &entry_)) {
        Visit();
      } else if (!Ascend()) {
        break;
      }
    }
    return Status{};
  }

 private:
  OwnedFind& Current() { return levels_[depth_ % kMaxOpenLevels]; }

  // Starts listing the folder `path_` names; its first entry lands in
  // `first`.
  bool OpenListing(OwnedFind* find, WIN32_FIND_DATAW* first) {
    std::wstring pattern = path_ + kAllEntries;
    find->reset(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, first, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH));
    return static_cast<bool>(*find);
  }

  void Visit() {
    if (IsDotOrDotDot(entry_.cFileName) || IsLink(entry_)) return;
    if ((entry_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      sink_->AddFile(SizeOf(entry_));
      return;
    }
    std::size_t parent_length = path_.size();
    path_ += kSeparator;
    path_ += entry_.cFileName;
    OwnedFind child;
    if (!OpenListing(&child, &entry_)) {
      path_.resize(parent_length);  // an unreadable sub-directory counts nothing
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
    std::size_t separator = path_.rfind(kSeparator);
    std::wstring child_name = path_.substr(separator + 1);
    path_.resize(separator);
    if (open_levels_ > 1) {
      --open_levels_;
      return true;
    }
    // A folder that cannot be listed again was changed under the walk; what
    // it and its ancestors had left cannot be reached.
    if (!OpenListing(&Current(), &entry_)) return false;
    while (std::wcscmp(entry_.cFileName, child_name.c_str()) != 0) {
      if (!::FindNextFileW(Current().get(), &entry_)) {
        Current().reset();  // gone meanwhile: this level has nothing left
        break;
      }
    }
    return true;
  }

  FileSizeSink* sink_;
  std::wstring path_;
  WIN32_FIND_DATAW entry_;
  // A listing just opened holds its first entry, not yet visited.
  bool first_entry_pending_ = false;
  std::array<OwnedFind, kMaxOpenLevels> levels_;
  std::uint64_t depth_ = 0;
  int open_levels_ = 0;
};

}  // namespace

Status WalkFileSizes(const char* root, FileSizeSink* sink) {
  std::wstring long_form;
  Status status = ExtendedLengthPath(root, &long_form);
  if (!status.ok()) return status;
  return TreeWalk(sink).Run(std::move(long_form));
}

}  // namespace install::platform
