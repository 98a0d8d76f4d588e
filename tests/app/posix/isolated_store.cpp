// Gives the whole test program a private, empty settings store, so that no
// test sees or touches the real one: XDG_CONFIG_HOME points into a fresh
// folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "support/test_files.h"

namespace {

class IsolatedSettingsStore final : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_.emplace();
    ::setenv("XDG_CONFIG_HOME", folder_->path().c_str(), 1);
  }
  void TearDown() override { folder_.reset(); }

 private:
  std::optional<install::testing::TempFolder> folder_;
};

const auto* const kIsolatedStore = ::testing::AddGlobalTestEnvironment(new IsolatedSettingsStore);

}  // namespace
