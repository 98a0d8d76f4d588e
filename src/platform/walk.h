// Directory trees (walk.cpp of each backend).
#pragma once

#include <cstdint>

#include "platform/status.h"

namespace install::platform {

// Receives the size of each file a walk meets, in bytes.
class FileSizeSink {
 public:
  virtual void AddFile(std::uint64_t size) = 0;

 protected:
  ~FileSizeSink() = default;
};

// Reports the size of every file in the tree below `root` to `sink`, in one
// pass and in the order the file system lists them. `root` itself is followed
// when it is a link; below it, links and other name-surrogate reparse points
// are neither followed nor counted. The empty path is the root directory (of
// the current drive, on Windows). A sub-directory that cannot be listed is
// passed over; only a `root` that cannot be listed is an error.
Status WalkFileSizes(const char* root, FileSizeSink* sink);

// POSIX: how many times the walks of this process have begun reading a
// directory's listing, from its start or from a saved position.
std::uint64_t ListingsReadForTesting();

}  // namespace install::platform
