// Watches a folder while a call runs, to show how a file in it changed:
// replaced in one step, or deleted, created or written in place.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace install::testing {

class FolderWatch {
 public:
  explicit FolderWatch(const std::filesystem::path& folder);
  ~FolderWatch();

  // What happened to `name` since the watch began, each kind once in the
  // order first seen, separated by spaces: "deleted", "created", "written",
  // "moved away", "replaced" (another file renamed onto it).
  std::string ChangesTo(const std::string& name);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Adds `kind` to a list of changes as ChangesTo returns it.
inline void NoteChange(const std::string& kind, std::string* changes) {
  if (changes->find(kind) == std::string::npos) *changes += (changes->empty() ? "" : " ") + kind;
}

}  // namespace install::testing
