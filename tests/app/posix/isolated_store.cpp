#include "app/isolated_store.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "support/test_files.h"

namespace install::testing {

struct IsolatedSettingsStore::State {
  TempFolder folder;
  std::optional<std::string> previous;
};

IsolatedSettingsStore::IsolatedSettingsStore() : state_(std::make_unique<State>()) {
  if (const char* value = std::getenv("XDG_CONFIG_HOME")) state_->previous = value;
  ::setenv("XDG_CONFIG_HOME", state_->folder.path().c_str(), 1);
}

IsolatedSettingsStore::~IsolatedSettingsStore() {
  if (state_->previous) {
    ::setenv("XDG_CONFIG_HOME", state_->previous->c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace install::testing
