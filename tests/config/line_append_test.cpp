#include "config/line_append.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "install.h"
#include "platform/fault_injection.h"
#include "support/test_files.h"

namespace install {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

TEST(LineAppend, WritesTheTextAsGivenWithWindowsLineEnds) {
  struct Case {
    const char* name;
    std::string before;
    std::string text;
    std::string after;
  };
  const Case cases[] = {
      {"new last line", "ZKCO 1\r\n0\r\n", "Plugin A.dll", "ZKCO 1\r\n0\r\nPlugin A.dll\r\n"},
      {"joins an unended line", "MDOP\r\nWindow", " 640", "MDOP\r\nWindow 640\r\n"},
      {"empty file", "", "MDOP", "MDOP\r\n"},
      {"line feeds in the text", "MDOP\r\n", "a\nb\n", "MDOP\r\na\r\nb\r\n\r\n"},
      {"a CR LF in the text gains a CR", "", "a\r\nb", "a\r\r\nb\r\n"},
      {"lone CR kept", "", "a\rb", "a\rb\r\n"},
      {"stars and eight-bit bytes", "", "*Plugin \xe9t\xe9*", "*Plugin \xe9t\xe9*\r\n"},
      {"LF-only file is not converted", "a\nb\n", "c", "a\nb\nc\r\n"},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, c.before);
    EXPECT_EQ(AppendLine(file.c_str(), c.text.c_str()), INSTALL_EDIT_DONE) << c.name;
    EXPECT_EQ(ReadBytes(file), c.after) << c.name;
  }
}

TEST(LineAppend, TwoAppendsLandInCallOrder) {
  TempFolder folder;
  const std::string file = folder.File("host.cfg");
  WriteBytes(file, "MDOP\r\n");
  EXPECT_EQ(AppendLine(file.c_str(), "first"), INSTALL_EDIT_DONE);
  EXPECT_EQ(AppendLine(file.c_str(), "second"), INSTALL_EDIT_DONE);
  EXPECT_EQ(ReadBytes(file), "MDOP\r\nfirst\r\nsecond\r\n");
}

TEST(LineAppend, AMissingFileIsNotCreatedAndADirectoryIsNotAFile) {
  TempFolder folder;
  const std::string missing = folder.File("missing.cfg");
  EXPECT_EQ(AppendLine(missing.c_str(), "x"), INSTALL_EDIT_NOT_READABLE);
  EXPECT_FALSE(std::filesystem::exists(missing));

  const std::string directory = folder.File("dir.cfg");
  std::filesystem::create_directory(directory);
  EXPECT_EQ(AppendLine(directory.c_str(), "x"), INSTALL_EDIT_FILE_FAILED);
  EXPECT_TRUE(std::filesystem::is_empty(directory));
}

TEST(LineAppend, AReadOnlyFileIsLeftAsItWas) {
  TempFolder folder;
  const std::string file = folder.File("host.cfg");
  WriteBytes(file, "MDOP\r\n");
  std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  if (testing::CanWriteDespitePermissions(file))
    GTEST_SKIP() << "this user may write read-only files";
  EXPECT_EQ(AppendLine(file.c_str(), "x"), INSTALL_EDIT_FILE_FAILED);
  EXPECT_EQ(ReadBytes(file), "MDOP\r\n");
}

TEST(LineAppend, AFailedWriteSyncOrCloseIsReportedAndTheFileGetsItsOldLengthBack) {
  using platform::Error;
  using platform::FaultPoint;
  struct Case {
    const char* name;
    FaultPoint point;
    Error error;
  };
  const Case cases[] = {
      {"disk full part-way through the write", FaultPoint::kWrite, Error::kNoSpace},
      {"flush to disk fails", FaultPoint::kSync, Error::kIo},
      {"close fails", FaultPoint::kClose, Error::kIo},
  };
  const std::string original = "ZKCO 1\r\n0\r\nPlugin Render.dll\r\n";
  for (const Case& c : cases) {
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, original);
    platform::InjectFaultForTesting(c.point, c.error);
    EXPECT_EQ(AppendLine(file.c_str(), "Plugin A long enough line to be cut in half.dll"),
              INSTALL_EDIT_FILE_FAILED)
        << c.name;
    platform::ClearFaultsForTesting();
    EXPECT_EQ(ReadBytes(file), original) << c.name;
  }
}

}  // namespace
}  // namespace install
