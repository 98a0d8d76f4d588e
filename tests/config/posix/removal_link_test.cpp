#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "config/plugin_removal.h"
#include "install.h"
#include "support/test_files.h"

namespace install {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// A link left under the temporary name must not lead the rewrite into the
// file it points at, whatever the outcome.
TEST(PluginRemovalLinks, ALinkUnderTheTemporaryNameIsNotWrittenThrough) {
  struct Case {
    const char* name;
    std::string content;
    std::int32_t result;
  } cases[] = {
      {"rewrite", "MDOP\r\nPlugin A.dll\r\n", INSTALL_EDIT_DONE},
      {"refused header", "Notes\r\n", INSTALL_EDIT_NOT_HOST_FILE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    const std::string victim = folder.File("victim.txt");
    WriteBytes(file, c.content);
    WriteBytes(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), folder.File("host.TMP").c_str()), 0);
    EXPECT_EQ(RemovePluginRefs(file.c_str(), "a.dll"), c.result);
    EXPECT_EQ(ReadBytes(victim), "precious");
    EXPECT_NE(::access(folder.File("host.TMP").c_str(), F_OK), 0);
  }
}

}  // namespace
}  // namespace install
