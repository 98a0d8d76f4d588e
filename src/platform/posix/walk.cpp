// The tree walk, one pass, with directory descriptors instead of paths.
//
// Depth is unbounded but descriptors are not: a walk that kept one open
// directory per level would run out of them on a deep enough tree (and take
// the host's with it). So only the deepest levels stay open, in a ring of at
// most kMaxOpenLevels, fewer when the process's descriptor limit is low.
//
// Each directory's listing is read once, from start to end, and never again:
// some file systems rebuild a directory's whole listing whenever it is
// opened and read from a saved position (overlayfs merges its layers anew,
// and its positions are counted from the first entry), so resuming a closed
// level would cost the siblings before it every time, and a tree both wide
// and deep would take time in the square of its width. Instead, when going
// deeper closes the shallowest open level, the walk first reads the rest of
// that level: its files are counted there and then, and the names of its
// sub-directories are kept until the walk gets to them. Coming back up to a
// closed level reopens it as ".." of the level below, checks that it is the
// directory it was (device and inode), and goes on with the names it kept;
// opening a directory reads nothing of its listing.
//
// Memory: one 32 KB read buffer per open level (at most 1 MB), one small
// record per level of depth, and, for each level that had to be closed
// before it was done, the names of its sub-directories (one byte more than
// each name) until it is done: never more than the folder names the tree
// holds, and nothing for a tree no deeper than the ring. The records and the
// names grow with the tree, so they are fallible: a tree too large for the
// memory left fails the walk rather than the process. Levels close from the
// shallowest open one and reopen deepest first, so the kept names form one
// stack, each level's after its parent's.
//
// The walk stays on the file system it starts on (as du -x does): a
// directory of another device is a mount point and is neither entered nor
// counted, as the Windows walk does not follow mount points.
#include "platform/walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/call_notes.h"
#include "platform/fallible_buffer.h"
#include "platform/posix/error.h"
#include "platform/posix/handles.h"

namespace install::platform {
namespace {

constexpr const char* kRootDirectory = "/";
constexpr const char* kParentDirectory = "..";
constexpr rlim_t kMaxOpenLevels = 32;
// The ring needs the level being entered and its parent open at once.
constexpr rlim_t kMinOpenLevels = 2;
// The walk takes at most this share of the descriptors the process may open.
constexpr rlim_t kDescriptorsPerOpenLevel = 8;
constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// A mount point that is not mounted yet stays so: it is not entered anyway.
constexpr int kEntryStatFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
// What the C library's readdir reads at once.
constexpr std::size_t kReadBytes = 32 * 1024;
constexpr char kNameEnd = '\0';

std::atomic<std::uint64_t> g_listings_read{0};

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::size_t OpenLevelBudget() {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
    return kMaxOpenLevels;
  return std::clamp(limit.rlim_cur / kDescriptorsPerOpenLevel, kMinOpenLevels, kMaxOpenLevels);
}

// One open level: its descriptor and the entries last read from it. The
// buffer stays with the ring slot, so the walk allocates it once.
class Directory {
 public:
  // Opens `name` relative to `parent_fd`; false on failure with errno set.
  bool Open(int parent_fd, const char* name, int extra_flags) {
    fd_.reset(::openat(parent_fd, name, kDirectoryFlags | extra_flags));
    if (!fd_) return false;
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kReadBytes);
    next_ = end_ = 0;
    started_ = false;
    return true;
  }

  void Close() { fd_.reset(); }

  // The next entry; null at the end of the directory or on an error reading
  // it: either way what it has left cannot be counted.
  const struct dirent64* Next() {
    if (next_ == end_) {
      if (!started_) g_listings_read.fetch_add(1, std::memory_order_relaxed);
      started_ = true;
      const ssize_t got = ::getdents64(fd_.get(), buffer_.get(), kReadBytes);
      if (got <= 0) return nullptr;
      next_ = 0;
      end_ = static_cast<std::size_t>(got);
    }
    const auto* entry = reinterpret_cast<const struct dirent64*>(buffer_.get() + next_);
    next_ += entry->d_reclen;
    return entry;
  }

  int fd() const { return fd_.get(); }

 private:
  UniqueFd fd_;
  std::unique_ptr<char[]> buffer_;
  std::size_t next_ = 0, end_ = 0;
  bool started_ = false;
};

class TreeWalk {
 public:
  explicit TreeWalk(FileSizeSink* sink) : sink_(sink), slots_(OpenLevelBudget()) {}

  Status Run(const char* root) {
    // The named directory itself is followed even when it is a link.
    Directory& top = slots_[0];
    struct stat info;
    if (!top.Open(AT_FDCWD, root, 0) || ::fstat(top.fd(), &info) != 0) return LastErrnoStatus();
    device_ = info.st_dev;
    if (!path_.PushBack(Level{info.st_ino})) return OutOfMemory();
    open_levels_ = 1;
    while (!out_of_memory_) {
      Level& level = path_.back();
      const int fd = Current().fd();
      if (level.read_to_end) {
        if (level.next_name == level.names_end) {
          if (!Ascend()) break;
          continue;
        }
        // A copy: entering the folder may move the kept names.
        char name[NAME_MAX + 1];
        std::strncpy(name, names_.data() + level.next_name, sizeof name - 1);
        name[sizeof name - 1] = kNameEnd;
        level.next_name += std::strlen(name) + 1;
        Descend(fd, name, nullptr);
        continue;
      }
      const struct dirent64* entry = Current().Next();
      if (entry == nullptr) {
        if (!Ascend()) break;
        continue;
      }
      struct stat folder;
      if (IsFolderToEnter(fd, *entry, &folder)) Descend(fd, entry->d_name, &folder);
    }
    return out_of_memory_ ? OutOfMemory() : Status{};
  }

 private:
  // A directory on the way down from the root: which one it is and, once
  // its listing has been read to the end, where in names_ the names of its
  // sub-directories still to visit lie, each ended by kNameEnd.
  struct Level {
    ino_t inode = 0;
    bool read_to_end = false;
    std::size_t names_begin = 0, next_name = 0, names_end = 0;
  };

  static Status OutOfMemory() {
    NoteFailure("go down the tree", kOutOfMemory);
    return Status{Error::kNoResources, 0};
  }

  std::size_t Depth() const { return path_.size() - 1; }
  Directory& Slot(std::size_t depth) { return slots_[depth % slots_.size()]; }
  Directory& Current() { return Slot(Depth()); }

  // Counts a file; true for a directory the walk enters, whose details
  // `info` receives.
  bool IsFolderToEnter(int parent_fd, const struct dirent64& entry, struct stat* info) {
    if (IsDotOrDotDot(entry.d_name)) return false;
    switch (entry.d_type) {
      case DT_DIR:
      case DT_REG:
      case DT_UNKNOWN:
        break;
      default:
        // Links add nothing and are not followed; devices, pipes and sockets
        // hold no data of their own.
        return false;
    }
    if (::fstatat(parent_fd, entry.d_name, info, kEntryStatFlags) != 0) return false;
    if (S_ISREG(info->st_mode)) sink_->AddFile(static_cast<std::uint64_t>(info->st_size));
    return S_ISDIR(info->st_mode) && info->st_dev == device_;
  }

  // Reads what is left of an open level's listing before it closes.
  void ReadToEnd(Level& level, Directory& directory) {
    level.names_begin = level.next_name = names_.size();
    struct stat folder;
    while (const struct dirent64* entry = directory.Next()) {
      if (!IsFolderToEnter(directory.fd(), *entry, &folder)) continue;
      const char* name = entry->d_name;
      if (!names_.Append(name, std::strlen(name) + 1)) out_of_memory_ = true;
    }
    level.names_end = names_.size();
    level.read_to_end = true;
  }

  // Enters sub-directory `name`; `info` is what it was when listed, or null
  // for a name kept from a level that was closed since.
  void Descend(int parent_fd, const char* name, const struct stat* info) {
    // When the ring is full the child's slot holds the shallowest open
    // level, which closes.
    Directory& slot = Slot(Depth() + 1);
    if (open_levels_ == slots_.size()) {
      Level& shallowest = path_[Depth() + 1 - slots_.size()];
      if (!shallowest.read_to_end) ReadToEnd(shallowest, slot);
      slot.Close();
      --open_levels_;
    }
    // O_NOFOLLOW: a directory swapped for a link since it was listed is not
    // followed either. A folder that cannot be opened counts nothing.
    if (!slot.Open(parent_fd, name, O_NOFOLLOW)) return;
    struct stat now;
    if (info == nullptr) {
      if (::fstat(slot.fd(), &now) != 0 || now.st_dev != device_) return slot.Close();
      info = &now;
    }
    if (!path_.PushBack(Level{info->st_ino})) {
      out_of_memory_ = true;
      return slot.Close();
    }
    ++open_levels_;
  }

  // Leaves the current directory; false once the root is done.
  bool Ascend() {
    if (Depth() == 0) return false;
    Directory& slot = Current();
    // Its kept names, if any, are the last in names_.
    if (path_.back().read_to_end) names_.Truncate(path_.back().names_begin);
    path_.PopBack();
    if (open_levels_ > 1) {
      slot.Close();
      --open_levels_;
      return true;
    }
    // The parent was closed, so its listing was read to the end: only its
    // descriptor is needed again. One that cannot be reopened, or is another
    // directory now, was moved under the walk; what it and its ancestors
    // had left cannot be reached, so the walk ends there.
    Directory& parent = Current();
    struct stat info;
    const bool reopened = parent.Open(slot.fd(), kParentDirectory, 0) &&
                          ::fstat(parent.fd(), &info) == 0 && info.st_dev == device_ &&
                          info.st_ino == path_.back().inode;
    slot.Close();
    return reopened;
  }

  FileSizeSink* sink_;
  std::vector<Directory> slots_;  // the ring of open levels
  FallibleBuffer<Level> path_;    // from the root to the current directory
  TextBuffer names_;              // the kept names of closed levels, shallowest first
  dev_t device_ = 0;              // the root's file system, which the walk keeps to
  std::size_t open_levels_ = 0;   // open levels, counting up from the current one
  bool out_of_memory_ = false;
};

}  // namespace

Status WalkFileSizes(const char* root, FileSizeSink* sink) {
  return TreeWalk(sink).Run(root[0] == '\0' ? kRootDirectory : root);
}

std::uint64_t ListingsReadForTesting() { return g_listings_read.load(std::memory_order_relaxed); }

}  // namespace install::platform
