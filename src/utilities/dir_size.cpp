#include "utilities/dir_size.h"

#include <algorithm>

#include "platform/call_notes.h"
#include "platform/walk.h"

namespace install::utilities {
namespace {

// Clamping after every file keeps the 64-bit sum far from its own limit:
// the ceiling plus the largest possible file size in kilobytes still fits.
class KilobyteTally final : public platform::FileSizeSink {
 public:
  explicit KilobyteTally(std::uint64_t start) : total_kb_(std::min(start, kCeiling)) {}

  void AddFile(std::uint64_t size) override {
    total_kb_ = std::min(total_kb_ + size / kBytesPerKilobyte, kCeiling);
  }

  std::int32_t result() const { return static_cast<std::int32_t>(total_kb_); }

 private:
  static constexpr std::uint64_t kCeiling = static_cast<std::uint64_t>(kLargestDirSizeKB);
  std::uint64_t total_kb_;
};

std::int32_t MeasureTree(const char* path, std::uint64_t starting_kb) {
  KilobyteTally tally(starting_kb);
  // A root that cannot be listed reads as 0, like an empty directory, even
  // when a test started the count elsewhere.
  const platform::Status status = platform::WalkFileSizes(path, &tally);
  if (!status.ok()) {
    platform::NoteFailure("list the directory", status);
    return 0;
  }
  return tally.result();
}

}  // namespace

std::int32_t DirSizeKB(const char* path) { return MeasureTree(path, 0); }

std::int32_t DirSizeKBStartingAtForTesting(const char* path, std::uint64_t starting_kb) {
  return MeasureTree(path, starting_kb);
}

}  // namespace install::utilities
