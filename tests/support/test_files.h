// Files and folders for tests: a fresh folder per test, and whole-file
// reads and writes in binary, so tests compare exact bytes.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace install::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A path inside the folder, as the library takes it (native separators).
  std::string File(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

// The names in `folder`, to show that a call left nothing else behind.
std::set<std::string> Listing(const std::filesystem::path& folder);

// `text` and its terminating zero, as a caller's writable buffer.
std::vector<char> Buffer(const std::string& text);

// Whether this process could open `file` for writing despite its permission
// bits (a superuser can); tests of read-only files skip then.
bool CanWriteDespitePermissions(const std::filesystem::path& file);

}  // namespace install::testing
