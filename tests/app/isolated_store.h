// Points this process's per-user settings store at a private, empty place
// for the life of the object, so tests neither see nor touch the real one.
#pragma once

#include <memory>

namespace install::testing {

class IsolatedSettingsStore {
 public:
  IsolatedSettingsStore();
  ~IsolatedSettingsStore();
  IsolatedSettingsStore(const IsolatedSettingsStore&) = delete;
  IsolatedSettingsStore& operator=(const IsolatedSettingsStore&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace install::testing
