// The tree walk, one pass, with directory descriptors instead of paths.
//
// Depth is unbounded but descriptors are not: a walk that kept one open
// directory per level would run out of them on a deep enough tree (and take
// the host's with it). So only the deepest kMaxOpenLevels levels stay open,
// in a ring. Going deeper closes the shallowest open level. Coming back up
// to a closed level reopens it as ".." of the level below, then reads it
// again from the start until it meets the directory it had descended into
// (recognised by device and inode, which survive mount points), and carries
// on after it. Nothing is remembered per level, so memory stays the same
// whatever the depth or the number of files; the price, a second read of
// part of a directory, is paid only by trees deeper than the ring.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "platform/posix/error.h"

namespace install::platform {
namespace {

constexpr const char* kRootDirectory = "/";
constexpr const char* kParentDirectory = "..";
constexpr int kMaxOpenLevels = 32;
constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using OwnedDir = std::unique_ptr<DIR, DirCloser>;

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens `name` relative to `parent_fd` as a directory stream; null on failure
// with errno set.
OwnedDir OpenDirectoryAt(int parent_fd, const char* name, int extra_flags) {
  int fd = ::openat(parent_fd, name, kDirectoryFlags | extra_flags);
  if (fd < 0) return nullptr;
  OwnedDir dir(::fdopendir(fd));
  if (!dir) ::close(fd);
  return dir;
}

class TreeWalk {
 public:
  explicit TreeWalk(FileSizeSink* sink) : sink_(sink) {}

  Status Run(const char* root) {
    // The named directory itself is followed even when it is a link.
    OwnedDir top = OpenDirectoryAt(AT_FDCWD, root, 0);
    if (!top) return LastErrnoStatus();
    levels_[0] = std::move(top);
    open_levels_ = 1;
    for (;;) {
      struct dirent* entry = ::readdir(Current());
      if (entry == nullptr) {
        // The end of a directory, or an error reading it: either way what it
        // has left cannot be counted.
        if (!Ascend()) break;
        continue;
      }
      if (!IsDotOrDotDot(entry->d_name)) Visit(*entry);
    }
    return Status{};
  }

 private:
  DIR* Current() const { return levels_[depth_ % kMaxOpenLevels].get(); }

  void Visit(const struct dirent& entry) {
    int parent_fd = ::dirfd(Current());
    switch (entry.d_type) {
      case DT_DIR:
        Descend(parent_fd, entry.d_name);
        return;
      case DT_REG:
      case DT_UNKNOWN:
        break;
      default:
        // Links add nothing and are not followed; devices, pipes and sockets
        // hold no data of their own.
        return;
    }
    struct stat info;
    if (::fstatat(parent_fd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (S_ISREG(info.st_mode)) {
      sink_->AddFile(static_cast<std::uint64_t>(info.st_size));
    } else if (S_ISDIR(info.st_mode)) {
      Descend(parent_fd, entry.d_name);
    }
  }

  void Descend(int parent_fd, const char* name) {
    // O_NOFOLLOW: a directory swapped for a link since it was listed is not
    // followed either.
    OwnedDir child = OpenDirectoryAt(parent_fd, name, O_NOFOLLOW);
    if (!child) return;  // an unreadable sub-directory counts nothing
    ++depth_;
    // When the ring is full this slot holds the shallowest open level.
    levels_[depth_ % kMaxOpenLevels] = std::move(child);
    if (open_levels_ < kMaxOpenLevels) ++open_levels_;
  }

  // Leaves the current directory; false once the root is done.
  bool Ascend() {
    if (depth_ == 0) return false;
    OwnedDir& slot = levels_[depth_ % kMaxOpenLevels];
    if (open_levels_ > 1) {
      slot.reset();
      --depth_;
      --open_levels_;
      return true;
    }
    struct stat child;
    int child_fd = ::dirfd(slot.get());
    OwnedDir parent;
    if (::fstat(child_fd, &child) == 0) parent = OpenDirectoryAt(child_fd, kParentDirectory, 0);
    slot.reset();
    --depth_;
    // A parent that cannot be reopened was changed under the walk; what it
    // and its ancestors had left cannot be reached, so the walk ends there.
    if (!parent) return false;
    SkipPast(parent.get(), child);
    levels_[depth_ % kMaxOpenLevels] = std::move(parent);
    return true;
  }

  // Reads `dir` up to and including the entry for `child`.
  static void SkipPast(DIR* dir, const struct stat& child) {
    int fd = ::dirfd(dir);
    while (struct dirent* entry = ::readdir(dir)) {
      if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
      if (IsDotOrDotDot(entry->d_name)) continue;
      struct stat info;
      if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(info, child))
        return;
    }
  }

  FileSizeSink* sink_;
  std::array<OwnedDir, kMaxOpenLevels> levels_;
  std::uint64_t depth_ = 0;  // levels below the root of the current directory
  int open_levels_ = 0;      // open levels, counting up from the current one
};

}  // namespace

Status WalkFileSizes(const char* root, FileSizeSink* sink) {
  return TreeWalk(sink).Run(root[0] == '\0' ? kRootDirectory : root);
}

}  // namespace install::platform
