// The three utility exports through the shared library, as a setup script
// calls them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "install.h"
#include "support/test_files.h"
#include "test_commands.h"
#include "tree_files.h"

namespace {

namespace fs = std::filesystem;
using install::testing::TempFolder;

constexpr auto kPollStep = std::chrono::milliseconds(20);
constexpr int kPollSteps = 1000;
constexpr std::int32_t kWinExecStartedAbove = 31;

bool EventuallyExists(const fs::path& path) {
  for (int step = 0; step < kPollSteps; ++step) {
    if (fs::exists(path)) return true;
    std::this_thread::sleep_for(kPollStep);
  }
  return false;
}

std::vector<char> Buffer(const std::string& text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  return buffer;
}

TEST(UtilityExports, GetDirSizeKBAnswersWhateverTheIntegerHolds) {
  TempFolder folder;
  install::testing::MakeSizedFile(folder.path() / "a", 3000);
  install::testing::MakeSizedFile(folder.path() / "sub" / "b", 5000);
  std::vector<char> path = Buffer(folder.path().string());
  std::int32_t values[] = {0, INSTALL_ACCESS_TOKEN, INSTALL_ACCESS_TOKEN + 1, -1};
  for (std::int32_t& value : values) {
    EXPECT_EQ(GetDirSizeKB(nullptr, &value, path.data()), 2 + 4) << value;
  }
  EXPECT_EQ(GetDirSizeKB(nullptr, nullptr, path.data()), 6);
}

TEST(UtilityExports, DOSSpawnWaitsAndReturnsTheExitCode) {
  TempFolder folder;
  const std::string marker = folder.File("marker");
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  std::vector<char> exit_seven = Buffer("exit 7");
  EXPECT_EQ(DOSSpawn(nullptr, &token, exit_seven.data()), 7);
  std::vector<char> make_marker = Buffer(install::testing::ShellCommandCreating(marker));
  EXPECT_EQ(DOSSpawn(nullptr, &token, make_marker.data()), 0);
  EXPECT_TRUE(fs::exists(marker)) << "DOSSpawn returned before the command ended";
}

// The refused start is made first; once a later, admitted start's marker
// appears, a refused start that had gone through would have left its own.
TEST(UtilityExports, AWrongTokenStartsNothing) {
  TempFolder folder;
  const std::string refused_program = folder.File("refused_program");
  const std::string refused_command = folder.File("refused_command");
  const std::string admitted = folder.File("admitted");
  std::int32_t wrong = INSTALL_ACCESS_TOKEN + 1;
  std::vector<char> program = Buffer(install::testing::ProgramCreating(refused_program));
  EXPECT_EQ(WINSpawn(nullptr, &wrong, program.data()), 0);
  std::vector<char> command = Buffer(install::testing::ShellCommandCreating(refused_command));
  EXPECT_EQ(DOSSpawn(nullptr, &wrong, command.data()), 0);

  std::int32_t token = INSTALL_ACCESS_TOKEN;
  std::vector<char> control = Buffer(install::testing::ProgramCreating(admitted));
  EXPECT_GT(WINSpawn(nullptr, &token, control.data()), kWinExecStartedAbove);
  ASSERT_TRUE(EventuallyExists(admitted));
  EXPECT_FALSE(fs::exists(refused_program));
  EXPECT_FALSE(fs::exists(refused_command));
}

TEST(UtilityExports, WINSpawnReportsAMissingProgramAsWinExecDoes) {
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  std::vector<char> missing = Buffer("no-such-program-4c1d");
  EXPECT_EQ(WINSpawn(nullptr, &token, missing.data()), 2);
}

}  // namespace
