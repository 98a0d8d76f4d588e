// The tree walk, one pass, with directory descriptors instead of paths.
//
// Depth is unbounded but descriptors are not: a walk that kept one open
// directory per level would run out of them on a deep enough tree (and take
// the host's with it). So only the deepest kMaxOpenLevels levels stay open,
// in a ring. Going deeper closes the shallowest open level. Coming back up
// to a closed level reopens it as ".." of the level below, checks that it is
// the directory it was (device and inode), and carries on from where the
// walk had got to in it: the directory's own offset cookie (d_off), which
// the file system keeps valid across opens while the directory is not
// changed (it is what lets NFS clients resume a listing). Memory grows only
// with depth, by one small record per level; a tree too deep for the memory
// left fails the walk rather than the process.
//
// A reopened level is read in small pieces at first, growing as it stays
// open: on a wide level that keeps being closed and reopened (thousands of
// siblings, each deeper than the ring), a full-sized read would fetch
// entries only to drop them again. So every entry is read a bounded number
// of times, and a wide and deep tree takes time in proportion to its size.
//
// The walk stays on the file system it starts on (as du -x does): a
// directory of another device is a mount point and is neither entered nor
// counted, as the Windows walk does not follow mount points.
#include "platform/walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

#include "platform/call_notes.h"
#include "platform/fallible_buffer.h"
#include "platform/posix/error.h"

namespace install::platform {
namespace {

constexpr const char* kRootDirectory = "/";
constexpr const char* kParentDirectory = "..";
constexpr int kMaxOpenLevels = 32;
constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// A mount point that is not mounted yet stays so: it is not entered anyway.
constexpr int kEntryStatFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
// What the C library's readdir reads at once, and the first read of a
// reopened level (room for a few dozen entries, and for any one entry).
constexpr std::size_t kFullReadBytes = 32 * 1024;
constexpr std::size_t kFirstResumedReadBytes = 1024;

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// One open level: its descriptor and the entries last read from it. The
// buffer stays with the ring slot, so the walk allocates it once.
class Directory {
 public:
  Directory() = default;
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;
  ~Directory() { Close(); }

  // Opens `name` relative to `parent_fd` to be read from `position` (0:
  // the first entry); false on failure with errno set.
  bool Open(int parent_fd, const char* name, int extra_flags, off_t position) {
    Close();
    fd_ = ::openat(parent_fd, name, kDirectoryFlags | extra_flags);
    if (fd_ < 0) return false;
    if (position != 0 && ::lseek(fd_, position, SEEK_SET) < 0) {
      Close();
      return false;
    }
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kFullReadBytes);
    read_bytes_ = position == 0 ? kFullReadBytes : kFirstResumedReadBytes;
    next_ = end_ = 0;
    return true;
  }

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  // The next entry; null at the end of the directory or on an error reading
  // it: either way what it has left cannot be counted.
  const struct dirent64* Next() {
    if (next_ == end_) {
      const ssize_t got = ::getdents64(fd_, buffer_.get(), read_bytes_);
      if (got <= 0) return nullptr;
      next_ = 0;
      end_ = static_cast<std::size_t>(got);
      read_bytes_ = std::min(read_bytes_ * 2, kFullReadBytes);
    }
    const auto* entry = reinterpret_cast<const struct dirent64*>(buffer_.get() + next_);
    next_ += entry->d_reclen;
    return entry;
  }

  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  std::size_t read_bytes_ = 0;
  std::size_t next_ = 0, end_ = 0;
};

class TreeWalk {
 public:
  explicit TreeWalk(FileSizeSink* sink) : sink_(sink) {}

  Status Run(const char* root) {
    // The named directory itself is followed even when it is a link.
    Directory& top = levels_[0];
    struct stat info;
    if (!top.Open(AT_FDCWD, root, 0, 0) || ::fstat(top.fd(), &info) != 0) return LastErrnoStatus();
    device_ = info.st_dev;
    if (!path_.PushBack({info.st_ino, 0})) return OutOfMemory();
    open_levels_ = 1;
    for (;;) {
      const struct dirent64* entry = Current().Next();
      if (entry == nullptr) {
        if (!Ascend()) break;
        continue;
      }
      if (!IsDotOrDotDot(entry->d_name)) Visit(*entry);
      if (out_of_memory_) return OutOfMemory();
    }
    return Status{};
  }

 private:
  // A directory on the way down from the root: which one it is, and where
  // to carry on reading it once the walk is back from below.
  struct Level {
    ino_t inode;
    off_t resume_at;
  };

  static Status OutOfMemory() {
    NoteFailure("go down the tree", kOutOfMemory);
    return Status{Error::kNoResources, 0};
  }

  std::size_t Depth() const { return path_.size() - 1; }
  Directory& Current() { return levels_[Depth() % kMaxOpenLevels]; }

  void Visit(const struct dirent64& entry) {
    switch (entry.d_type) {
      case DT_DIR:
      case DT_REG:
      case DT_UNKNOWN:
        break;
      default:
        // Links add nothing and are not followed; devices, pipes and sockets
        // hold no data of their own.
        return;
    }
    const int parent_fd = Current().fd();
    struct stat info;
    if (::fstatat(parent_fd, entry.d_name, &info, kEntryStatFlags) != 0) return;
    if (S_ISREG(info.st_mode)) {
      sink_->AddFile(static_cast<std::uint64_t>(info.st_size));
    } else if (S_ISDIR(info.st_mode) && info.st_dev == device_) {
      Descend(parent_fd, entry.d_name, info.st_ino, entry.d_off);
    }
  }

  void Descend(int parent_fd, const char* name, ino_t inode, off_t next_entry) {
    // When the ring is full the child's slot holds the shallowest open
    // level, which closes. O_NOFOLLOW: a directory swapped for a link since
    // it was listed is not followed either.
    Directory& slot = levels_[(Depth() + 1) % kMaxOpenLevels];
    if (open_levels_ == kMaxOpenLevels) {
      slot.Close();
      --open_levels_;
    }
    if (!slot.Open(parent_fd, name, O_NOFOLLOW, 0)) return;  // counts nothing
    path_.back().resume_at = next_entry;
    if (!path_.PushBack({inode, 0})) {
      out_of_memory_ = true;
      return;
    }
    ++open_levels_;
  }

  // Leaves the current directory; false once the root is done.
  bool Ascend() {
    if (Depth() == 0) return false;
    Directory& slot = Current();
    path_.PopBack();
    if (open_levels_ > 1) {
      slot.Close();
      --open_levels_;
      return true;
    }
    // A parent that cannot be reopened, or is another directory now, was
    // moved under the walk; what it and its ancestors had left cannot be
    // reached, so the walk ends there.
    const Level& parent_level = path_.back();
    Directory& parent = Current();
    struct stat info;
    const bool reopened = parent.Open(slot.fd(), kParentDirectory, 0, parent_level.resume_at) &&
                          ::fstat(parent.fd(), &info) == 0 && info.st_dev == device_ &&
                          info.st_ino == parent_level.inode;
    slot.Close();
    return reopened;
  }

  FileSizeSink* sink_;
  std::array<Directory, kMaxOpenLevels> levels_;
  FallibleBuffer<Level> path_;  // from the root to the current directory
  dev_t device_ = 0;            // the root's file system, which the walk keeps to
  int open_levels_ = 0;         // open levels, counting up from the current one
  bool out_of_memory_ = false;
};

}  // namespace

Status WalkFileSizes(const char* root, FileSizeSink* sink) {
  return TreeWalk(sink).Run(root[0] == '\0' ? kRootDirectory : root);
}

}  // namespace install::platform
