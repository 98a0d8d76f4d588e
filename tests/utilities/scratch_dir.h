// A fresh directory under the system's temporary folder for one test suite,
// removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace install::testing {

class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix) {
    std::random_device entropy;
    path_ = std::filesystem::temp_directory_path() /
            (prefix + "-" + std::to_string(entropy()) + std::to_string(entropy()));
    std::filesystem::create_directories(path_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }

  // Creates (or resizes) a file of `size` bytes; large sizes stay sparse.
  std::filesystem::path MakeFile(const std::filesystem::path& relative, std::uintmax_t size) const {
    std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).close();
    std::filesystem::resize_file(file, size);
    return file;
  }

  std::filesystem::path MakeDir(const std::filesystem::path& relative) const {
    std::filesystem::create_directories(path_ / relative);
    return path_ / relative;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace install::testing
