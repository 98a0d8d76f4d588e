// Building the trees the directory-size tests measure.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace install::testing {

// Creates a file of `size` bytes (sparse where the file system allows) and
// the folders above it.
inline std::filesystem::path MakeSizedFile(const std::filesystem::path& file, std::uintmax_t size) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).close();
  std::filesystem::resize_file(file, size);
  return file;
}

}  // namespace install::testing
