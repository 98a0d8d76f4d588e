// The POSIX settings file: its bytes, its permissions, and what happens when
// a write fails or two processes write at once.
#include "platform/posix/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/call_notes.h"
#include "platform/edit.h"
#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "support/system_state.h"
#include "support/test_files.h"

namespace install {
namespace {

namespace fs = std::filesystem;
using platform::settings_file::kNewFileHeader;

constexpr platform::SettingsKey kKey{"Halvemark", "Installation"};

// Runs a test with XDG_CONFIG_HOME in a fresh folder.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_CONFIG_HOME", home_.path().c_str(), 1); }
  void TearDown() override {
    ::unsetenv("XDG_CONFIG_HOME");
    platform::ClearFaultsForTesting();
  }

  fs::path Folder() const { return home_.path() / "Halvemark"; }
  fs::path File() const { return Folder() / "Installation.conf"; }
  bool Write(const char* name, const std::string& value, const char* section = "") {
    return platform::WriteUserSetting(kKey, section, name, value.c_str()).ok();
  }
  std::string Read(const char* name) {
    std::string value;
    EXPECT_TRUE(platform::ReadUserSettingForTesting(kKey, "", name, &value).ok()) << name;
    return value;
  }

  testing::TempFolder home_;
};

// Each value is written under a plain name and an odd one; the file must
// hold exactly the escaped lines, and read back as written.
TEST_F(SettingsFileTest, ValuesAreEscapedInTheFileAndReadBackWhole) {
  struct Case {
    std::string value;
    const char* line;  // as the file holds it; null: only no raw control byte
  };
  std::string every_byte;
  for (int byte = 1; byte < 256; ++byte) every_byte += static_cast<char>(byte);
  const Case cases[] = {
      {"Jane Roe", "Jane Roe"},
      {" a b ", "\\x20a b\\x20"},
      {"a\nb\r\nc\\nd\\x41", "a\\nb\\r\\nc\\\\nd\\\\x41"},
      {"=[x]=#;", "\\x3D\\x5Bx\\x5D\\x3D#;"},
      {"#a", "\\x23a"},
      {";a", "\\x3Ba"},
      {"\tx\x01\x7f", "\\tx\\x01\\x7F"},
      {"Zo\xc3\xab", "Zo\xc3\xab"},
      {"", ""},
      {every_byte, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line != nullptr ? c.line : "every byte");
    for (const char* name : {"UserName", "Odd=Name[1]"}) ASSERT_TRUE(Write(name, c.value));
    for (const char* name : {"UserName", "Odd=Name[1]"}) EXPECT_EQ(Read(name), c.value);
    const std::string text = testing::ReadBytes(File());
    if (c.line != nullptr) {
      EXPECT_EQ(text, std::string(kNewFileHeader) + "UserName=" + c.line +
                          "\nOdd\\x3DName\\x5B1\\x5D=" + c.line + "\n");
    }
    for (unsigned char b : text)
      EXPECT_TRUE(b == '\n' || (b >= 0x20 && b != 0x7F)) << "raw byte " << int(b);
  }
  struct stat info {};
  ASSERT_EQ(::stat(File().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  ASSERT_EQ(::stat(Folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
}

TEST_F(SettingsFileTest, AWriteChangesOnlyItsOwnLine) {
  fs::create_directories(Folder());
  testing::WriteBytes(File(),
                      "# kept\nUserName=Old\n\nTheme = dark  \nno entry\n[Other]\nUserName=Else\n");
  ASSERT_TRUE(Write("UserName", "New"));
  ASSERT_TRUE(Write("CompanyName", "Acme"));
  ASSERT_TRUE(Write("Colour", "blue", "Other"));
  EXPECT_EQ(testing::ReadBytes(File()),
            "# kept\nUserName=New\n\nTheme = dark  \nCompanyName=Acme\nno entry\n[Other]\n"
            "UserName=Else\nColour=blue\n");
}

TEST_F(SettingsFileTest, AFailedWriteLeavesTheFileAsItWasAndNoTemporaryBehind) {
  ASSERT_TRUE(Write("UserName", "Jane"));
  const std::string before = testing::ReadBytes(File());
  for (int point = 0; point <= static_cast<int>(platform::FaultPoint::kReplace); ++point) {
    SCOPED_TRACE(point);
    platform::InjectFaultForTesting(platform::FaultPoint(point), platform::Error::kNoSpace);
    platform::CallNotes notes;  // the log names the file, wherever the store is
    EXPECT_FALSE(Write("UserName", "John"));
    EXPECT_TRUE(notes.failed_step().ends_with(" the settings file " + File().string()))
        << notes.failed_step();
    platform::ClearFaultsForTesting();
    EXPECT_EQ(testing::ReadBytes(File()), before);
    EXPECT_EQ(testing::Listing(Folder()), std::set<std::string>{"Installation.conf"});
  }
  // Held up by another edit of the file, a write gives up after a while and says so.
  platform::FileEdit held;
  const auto temporary = [](std::string_view name) { return std::string(name) + ".tmp"; };
  ASSERT_TRUE(
      platform::FileEdit::Begin(File().c_str(), platform::EditKind::kRewrite, temporary, &held)
          .ok());
  platform::CallNotes notes;
  EXPECT_FALSE(Write("UserName", "John"));
  EXPECT_TRUE(notes.reason().starts_with("wait for another edit of the file")) << notes.reason();
  EXPECT_EQ(testing::ReadBytes(File()), before);
}

TEST_F(SettingsFileTest, TwoProcessesWritingAtOnceLoseNoValue) {
  constexpr int kValuesEach = 60;
  auto name = [](int process, int n) { return std::to_string(process) + "-" + std::to_string(n); };
  const auto write_all = [&](int i) {
    bool all = true;
    for (int n = 0; n < kValuesEach; ++n) all = Write(name(i, n).c_str(), name(i, n)) && all;
    return all ? 0 : 1;
  };
  const testing::Work writers[2] = {[&] { return write_all(0); }, [&] { return write_all(1); }};
  std::int32_t answers[2] = {-1, -1};
  testing::RunTogether(writers, answers);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(answers[i], 0) << "a process's write failed";
    for (int n = 0; n < kValuesEach; ++n) EXPECT_EQ(Read(name(i, n).c_str()), name(i, n));
  }
}

TEST_F(SettingsFileTest, ARelativeConfigHomeIsIgnoredForHomeDotConfig) {
  testing::TempFolder home;
  const char* old_home = std::getenv("HOME");
  const std::string saved_home = old_home != nullptr ? old_home : "";
  ::setenv("HOME", home.path().c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_TRUE(Write("UserName", "Jane"));
  ::setenv("HOME", saved_home.c_str(), 1);
  EXPECT_EQ(testing::ReadBytes(home.path() / ".config/Halvemark/Installation.conf"),
            std::string(kNewFileHeader) + "UserName=Jane\n");
  EXPECT_FALSE(fs::exists("relative"));
}

}  // namespace
}  // namespace install
