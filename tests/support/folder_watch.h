// Watches a folder while a call runs, to show how a file in it changed:
// replaced in one step, or deleted, created or written in place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace install::testing {

class FolderWatch {
 public:
  explicit FolderWatch(const std::filesystem::path& folder);
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // What happened to `name` since the watch began, each kind once in the
  // order first seen: "deleted", "created", "written", "moved away" and
  // "replaced" (another file renamed onto it), separated by spaces.
  std::string ChangesTo(const std::string& name);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace install::testing
