// Command launching as every platform answers it: the results of the
// Windows calls, a command that is waited for and a program that is not.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/eventually.h"
#include "test_commands.h"

namespace install::utilities {
namespace {

TEST(SpawnTest, AnswersAsTheWindowsCallsDo) {
  testing::ExpectSpawns({
      {false, "exit 3", 3},
      {true, "no-such-program-4c1d", kStartFileNotFound},
      {true, "", kStartFileNotFound},
      {true, testing::kNotAProgram, kStartNotExecutable},
  });
}

TEST(SpawnTest, ACommandIsWaitedForAndAProgramIsNot) {
  testing::TempFolder folder;
  const std::string command_marker = folder.File("command");
  const std::string program_marker = folder.File("program");
  EXPECT_EQ(RunCommand(("echo made> " + command_marker).c_str()), 0);
  EXPECT_NE(testing::ReadBytes(command_marker), "") << "returned before the command ended";
  EXPECT_EQ(StartProgram(testing::ProgramWriting(program_marker).c_str()), kStarted);
  EXPECT_FALSE(std::filesystem::exists(program_marker)) << "waited for the program";
  EXPECT_NE(testing::EventualBytes(program_marker), "");
}

}  // namespace
}  // namespace install::utilities
