// The three utility exports through the shared library, as a setup script
// calls them: each reaches its own worker, and only the spawns are gated.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "install.h"
#include "support/test_files.h"
#include "tree_files.h"

namespace {

struct ExportCase {
  InstallExportFn function;
  std::int32_t* value;
  std::string text;
  std::int32_t expected;
};

TEST(UtilityExports, EachAnswersWithItsWorkersResult) {
  install::testing::TempFolder folder;
  install::testing::MakeSizedFile(folder.path() / "a", 3000);
  install::testing::MakeSizedFile(folder.path() / "sub" / "b", 5000);
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  std::int32_t wrong = INSTALL_ACCESS_TOKEN + 1;
  const ExportCase cases[] = {
      {GetDirSizeKB, nullptr, folder.path().string(), 2 + 4},
      {GetDirSizeKB, &wrong, folder.path().string(), 2 + 4},
      {DOSSpawn, &token, "exit 7", 7},
      {WINSpawn, &token, "no-such-program-4c1d", 2},
  };
  for (const ExportCase& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<char> buffer(c.text.begin(), c.text.end());
    buffer.push_back('\0');
    EXPECT_EQ(c.function(nullptr, c.value, buffer.data()), c.expected);
  }
}

}  // namespace
