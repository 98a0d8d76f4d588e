#include "config/plugin_removal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "install.h"
#include "platform/fault_injection.h"
#include "removal_cases.h"
#include "support/test_files.h"

namespace install {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// Nothing but the configuration file may remain: no temporary, no stray copy.
void ExpectOnlyFile(const TempFolder& folder, const std::string& name) {
  for (const auto& entry : fs::directory_iterator(folder.path())) {
    EXPECT_EQ(entry.path().filename().string(), name);
  }
}

TEST(PluginRemoval, RewritesEachCaseInPlaceAndASecondRunChangesNothing) {
  for (const auto& c : testing::RemovalCases()) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, c.input);
    EXPECT_EQ(RemovePluginRefs(file.c_str(), c.plugin.c_str()), c.result);
    const std::string expected = c.result == INSTALL_EDIT_DONE ? c.output : c.input;
    EXPECT_EQ(ReadBytes(file), expected);
    ExpectOnlyFile(folder, "host.cfg");
    if (c.result == INSTALL_EDIT_DONE) {
      EXPECT_EQ(RemovePluginRefs(file.c_str(), c.plugin.c_str()), INSTALL_EDIT_DONE);
      EXPECT_EQ(ReadBytes(file), expected);
    }
  }
}

constexpr std::size_t kLongestPath = 259;

TEST(PluginRemoval, RefusedFilesAreLeftAsTheyWere) {
  const std::string content = "MDOP\r\nPlugin A.dll\r\n";
  struct Case {
    const char* name;
    std::string file_name;  // empty: the file is not created
    std::int32_t result;
  } cases[] = {
      {"missing file", "", INSTALL_EDIT_NOT_READABLE},
      {"own temporary name", "host.TMP", INSTALL_EDIT_FILE_FAILED},
      {"own temporary name in lower case", "host.tmp", INSTALL_EDIT_FILE_FAILED},
      {"temporary name past the path limit", "", INSTALL_EDIT_FILE_FAILED},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    if (c.result == INSTALL_EDIT_FILE_FAILED && c.file_name.empty()) {
      // A path of 258 characters ending ".c": the file can exist, but its
      // temporary name would be 260 long.
      const std::size_t base_length = kLongestPath - 1 - folder.File("").size() - 2;
      c.file_name = std::string(base_length, 'h') + ".c";
    }
    const std::string file = folder.File(c.file_name.empty() ? "missing.cfg" : c.file_name);
    if (!c.file_name.empty()) {
      WriteBytes(file, content);
      ASSERT_EQ(ReadBytes(file), content);
    }
    EXPECT_EQ(RemovePluginRefs(file.c_str(), "a"), c.result);
    if (c.file_name.empty()) {
      EXPECT_TRUE(fs::is_empty(folder.path()));
    } else {
      EXPECT_EQ(ReadBytes(file), content);
      ExpectOnlyFile(folder, c.file_name);
    }
  }
}

TEST(PluginRemoval, ADirectoryIsNotRewritten) {
  TempFolder folder;
  const std::string directory = folder.File("dir.cfg");
  fs::create_directory(directory);
  EXPECT_EQ(RemovePluginRefs(directory.c_str(), "a"), INSTALL_EDIT_FILE_FAILED);
  EXPECT_TRUE(fs::is_directory(directory));
  ExpectOnlyFile(folder, "dir.cfg");
}

TEST(PluginRemoval, AFileAlreadyUnderTheTemporaryNameIsReplacedOrRemoved) {
  struct Case {
    const char* name;
    std::string content;
    std::int32_t result;
    std::string after;
  } cases[] = {
      {"rewrite", "MDOP\r\nPlugin A.dll\r\nKey v\r\n", INSTALL_EDIT_DONE, "MDOP \r\nKey v\r\n"},
      {"not a host file", "Other\r\n", INSTALL_EDIT_NOT_HOST_FILE, "Other\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, c.content);
    WriteBytes(folder.File("host.TMP"), "left over from an earlier run");
    EXPECT_EQ(RemovePluginRefs(file.c_str(), "a.dll"), c.result);
    EXPECT_EQ(ReadBytes(file), c.after);
    ExpectOnlyFile(folder, "host.cfg");
  }
}

TEST(PluginRemoval, KeepsThePermissionsOfTheOriginal) {
  for (fs::perms perms : {fs::perms::owner_read | fs::perms::owner_write,
                          fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read}) {
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, "MDOP\r\nPlugin A.dll\r\n");
    fs::permissions(file, perms);
    const fs::perms before = fs::status(file).permissions();
    EXPECT_EQ(RemovePluginRefs(file.c_str(), "a.dll"), INSTALL_EDIT_DONE);
    EXPECT_EQ(fs::status(file).permissions(), before);
    EXPECT_EQ(ReadBytes(file), "MDOP \r\n");
  }
}

// Larger than one read block, so faults can strike in the middle.
std::string TwoBlockFile() {
  std::string content = "ZKCO\r\n0\r\n";
  while (content.size() < (std::size_t{5} << 19)) {
    content += "Plugin C:\\Plug-ins\\Gone.dll\r\nWindow 10 20 640 480\r\n";
  }
  return content;
}

class PluginRemovalFaults : public ::testing::Test {
 protected:
  void TearDown() override { platform::ClearFaultsForTesting(); }
};

TEST_F(PluginRemovalFaults, AFailureAnywhereKeepsTheOriginalAndLeavesNoTemporary) {
  using platform::Error;
  using platform::FaultPoint;
  struct Case {
    const char* name;
    FaultPoint point;
    Error error;
    int nth;
  } cases[] = {
      {"first read fails", FaultPoint::kRead, Error::kIo, 1},
      {"read fails after a block", FaultPoint::kRead, Error::kIo, 2},
      {"disk fills on the first write", FaultPoint::kWrite, Error::kNoSpace, 1},
      {"disk fills on a later write", FaultPoint::kWrite, Error::kNoSpace, 2},
      {"flush to disk fails", FaultPoint::kSync, Error::kIo, 1},
      {"closing the copy fails", FaultPoint::kClose, Error::kIo, 1},
      {"replacement refused", FaultPoint::kReplace, Error::kAccessDenied, 1},
  };
  const std::string content = TwoBlockFile();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, content);
    platform::InjectFaultForTesting(c.point, c.error, c.nth);
    EXPECT_EQ(RemovePluginRefs(file.c_str(), "gone"), INSTALL_EDIT_FILE_FAILED);
    platform::ClearFaultsForTesting();
    EXPECT_TRUE(ReadBytes(file) == content);
    ExpectOnlyFile(folder, "host.cfg");
  }
}

}  // namespace
}  // namespace install
