// Command launching through the Windows calls: their results come back as
// the system gives them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/test_files.h"
#include "utilities/spawn.h"

namespace install::utilities {
namespace {

namespace fs = std::filesystem;

constexpr auto kPollStep = std::chrono::milliseconds(20);
constexpr int kPollSteps = 1000;

bool EventuallyExists(const fs::path& path) {
  for (int step = 0; step < kPollSteps; ++step) {
    if (fs::exists(path)) return true;
    std::this_thread::sleep_for(kPollStep);
  }
  return false;
}

TEST(RunCommandWin32Test, ReturnsTheInterpretersExitCode) {
  EXPECT_EQ(RunCommand("exit 3"), 3);
  EXPECT_EQ(RunCommand("exit 0"), 0);
}

struct StartCase {
  const char* rule;
  std::string command_line;
  std::int32_t expected;
};

TEST(StartProgramWin32Test, PassesTheLoadersCodesBack) {
  const std::vector<StartCase> cases = {
      {"a name found nowhere", "no-such-program-4c1d", kStartFileNotFound},
      {"no program named", "", kStartFileNotFound},
      {"a file that is not a program", "C:\\windows\\win.ini", kStartNotExecutable},
      {"a program that starts", "cmd /c exit", kStarted},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(StartProgram(c.command_line.c_str()), c.expected);
  }
}

TEST(StartProgramWin32Test, ReturnsBeforeTheProgramEnds) {
  testing::TempFolder folder;
  const std::string marker = folder.File("done");
  const std::string line = "cmd /c ping -n 3 127.0.0.1 > nul & echo done> " + marker;
  EXPECT_EQ(StartProgram(line.c_str()), kStarted);
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_TRUE(EventuallyExists(marker));
}

}  // namespace
}  // namespace install::utilities
