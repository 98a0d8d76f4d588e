// How many kilobytes the files under a directory occupy, for a setup
// script's space estimates.
#pragma once

#include <cstdint>
#include <limits>

namespace install::utilities {

inline constexpr std::uint64_t kBytesPerKilobyte = 1024;
// The result saturates here: a tree too large for the 32-bit result must not
// read as a small or negative size.
inline constexpr std::int32_t kLargestDirSizeKB = std::numeric_limits<std::int32_t>::max();

// The sum over every file in the tree at `path` of its size in kilobytes,
// each file rounded down on its own. 0 when `path` cannot be listed.
std::int32_t DirSizeKB(const char* path);

// DirSizeKB with the count starting at `starting_kb` instead of 0, so that
// the ceiling can be reached without terabytes of files.
std::int32_t DirSizeKBStartingAtForTesting(const char* path, std::uint64_t starting_kb);

}  // namespace install::utilities
