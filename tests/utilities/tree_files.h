// The trees the directory-size tests measure, and the runner for their rows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "utilities/dir_size.h"

namespace install::testing {

// Creates a file of `size` bytes (sparse where the file system allows) and
// the folders above it.
inline void MakeSizedFile(const std::filesystem::path& file, std::uintmax_t size) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).close();
  std::filesystem::resize_file(file, size);
}

struct SizeCase {
  const char* rule;
  std::string path;  // relative to the tree; native separators
  std::int32_t expected_kb;
  std::uint64_t start_kb = 0;  // where the count starts
};

inline void ExpectSizes(const std::filesystem::path& tree, const std::vector<SizeCase>& cases) {
  for (const SizeCase& c : cases) {
    const std::string path = c.path.empty() ? tree.string() : (tree / c.path).string();
    EXPECT_EQ(utilities::DirSizeKBStartingAtForTesting(path.c_str(), c.start_kb), c.expected_kb)
        << c.rule;
  }
}

}  // namespace install::testing
