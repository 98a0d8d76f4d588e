#include <windows.h>

#include "config/plugin_removal.h"
#include "install.h"
#include "support/test_files.h"

namespace install::testing {
namespace {

// Windows will not replace a read-only file: the call says so and leaves the
// file, and nothing else, behind. Other attributes pass to the new file.
TEST(PluginRemovalWindows, TheRewriteKeepsTheFilesAttributesAndARefusalKeepsTheFile) {
  const std::string content = "MDOP\r\nPlugin A.dll\r\nKey v\r\n";
  for (DWORD attributes : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_ARCHIVE,
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}) {
    SCOPED_TRACE(attributes);
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, content);
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), attributes));
    const DWORD before = ::GetFileAttributesA(file.c_str());
    const bool read_only = attributes == FILE_ATTRIBUTE_READONLY;
    EXPECT_EQ(RemovePluginRefs(file.c_str(), "a.dll"), read_only ? 6 : 0);
    EXPECT_EQ(ReadBytes(file), read_only ? content : "MDOP \r\nKey v\r\n");
    EXPECT_EQ(::GetFileAttributesA(file.c_str()), before);
    EXPECT_EQ(Listing(folder.path()), std::set<std::string>{"host.cfg"});
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
}  // namespace install::testing
