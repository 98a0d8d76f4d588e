#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/plugin_removal.h"
#include "install.h"
#include "support/test_files.h"

namespace install {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

constexpr char kContent[] = "MDOP\r\nPlugin A.dll\r\nKey v\r\n";
constexpr char kRewritten[] = "MDOP \r\nKey v\r\n";

// Windows will not replace a read-only file: the call must say so and leave
// the file, and nothing else, behind.
TEST(PluginRemovalWindows, AReadOnlyFileIsReportedAndLeftAsItWas) {
  TempFolder folder;
  const std::string file = folder.File("host.cfg");
  WriteBytes(file, kContent);
  ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(RemovePluginRefs(file.c_str(), "a.dll"), INSTALL_EDIT_FILE_FAILED);
  EXPECT_EQ(ReadBytes(file), kContent);
  EXPECT_EQ(::GetFileAttributesA(folder.File("host.TMP").c_str()), INVALID_FILE_ATTRIBUTES);
  ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(PluginRemovalWindows, TheRewrittenFileKeepsTheOriginalsAttributes) {
  for (DWORD attributes : {DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_ARCHIVE},
                           DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}}) {
    SCOPED_TRACE(attributes);
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, kContent);
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), attributes));
    const DWORD before = ::GetFileAttributesA(file.c_str());
    EXPECT_EQ(RemovePluginRefs(file.c_str(), "a.dll"), INSTALL_EDIT_DONE);
    EXPECT_EQ(ReadBytes(file), kRewritten);
    EXPECT_EQ(::GetFileAttributesA(file.c_str()), before);
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
}  // namespace install
