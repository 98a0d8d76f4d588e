// Command launching on POSIX: the Windows meanings of the results, and a
// host whose signals and children are left as they were.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/test_files.h"
#include "tree_files.h"
#include "utilities/spawn.h"

namespace install::utilities {
namespace {

namespace fs = std::filesystem;

constexpr auto kPollStep = std::chrono::milliseconds(20);
constexpr int kPollSteps = 500;
constexpr int kHighDescriptor = 321;

bool EventuallyExists(const fs::path& path) {
  for (int step = 0; step < kPollSteps; ++step) {
    if (fs::exists(path)) return true;
    std::this_thread::sleep_for(kPollStep);
  }
  return false;
}

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The children the kernel lists for every thread of this process.
std::string OwnChildren() {
  std::string children;
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    children += ReadWhole(task.path() / "children");
  }
  return children;
}

struct CommandCase {
  const char* command;
  std::int32_t expected;
};

TEST(RunCommandPosixTest, ReturnsTheExitCodeAsWindowsSystemDoes) {
  const std::vector<CommandCase> cases = {
      {"exit 3", 3},
      {"true", 0},
      {"", 0},
      {"exit 300", 300 % 256},
      {"kill -TERM $$", 128 + SIGTERM},
      {"kill -KILL $$", 128 + SIGKILL},
      {"no-such-command-4c1d 2>/dev/null", 127},
  };
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(RunCommand(c.command), c.expected);
  }
}

TEST(RunCommandPosixTest, CommandSeesNeitherTheHostsBlockedNorIgnoredSignals) {
  sigset_t term, previous_mask;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &term, &previous_mask), 0);
  struct sigaction ignore {
  }, previous_int;
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGINT, &ignore, &previous_int), 0);

  EXPECT_EQ(RunCommand("kill -TERM $$"), 128 + SIGTERM);
  EXPECT_EQ(RunCommand("kill -INT $$"), 128 + SIGINT);

  sigaction(SIGINT, &previous_int, nullptr);
  pthread_sigmask(SIG_SETMASK, &previous_mask, nullptr);
}

void CountChildSignal(int) {}

TEST(SpawnPosixTest, LeavesTheHostsSigchldHandlingAsItWas) {
  struct sigaction handler {
  }, before, after;
  handler.sa_handler = CountChildSignal;
  sigemptyset(&handler.sa_mask);
  ASSERT_EQ(sigaction(SIGCHLD, &handler, &before), 0);
  EXPECT_EQ(RunCommand("exit 5"), 5);
  EXPECT_EQ(StartProgram("true"), kStarted);
  ASSERT_EQ(sigaction(SIGCHLD, &before, &after), 0);
  EXPECT_EQ(after.sa_handler, &CountChildSignal);
}

TEST(SpawnPosixTest, StartsEvenWhenTheHostIgnoresSigchld) {
  struct sigaction ignore {
  }, before;
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGCHLD, &ignore, &before), 0);
  testing::TempFolder dir;
  std::string marker = (dir.path() / "marker").string();
  EXPECT_EQ(StartProgram(("touch " + marker).c_str()), kStarted);
  EXPECT_TRUE(EventuallyExists(marker));
  EXPECT_EQ(StartProgram("no-such-program-4c1d"), kStartFileNotFound);
  // The system reaps the shell before its exit code can be read: that is
  // reported, not guessed.
  EXPECT_EQ(RunCommand("exit 5"), kCommandNotRun);
  sigaction(SIGCHLD, &before, nullptr);
}

struct StartCase {
  const char* rule;
  std::string command_line;
  std::int32_t expected;
};

TEST(StartProgramPosixTest, AnswersWithTheWindowsLoaderCodes) {
  testing::TempFolder dir;
  fs::path plain = testing::MakeSizedFile(dir.path() / "plain.txt", 10);
  fs::path script = dir.path() / "no_interpreter";
  std::ofstream(script) << "\x7f"
                           "ELF garbage\n";
  fs::permissions(script, fs::perms::owner_all);
  const std::vector<StartCase> cases = {
      {"a program on PATH", "true", kStarted},
      {"a program by path", "/bin/true --ignored", kStarted},
      {"a quoted program path", "\"/bin/true\" x", kStarted},
      {"no program named", "", kStartFileNotFound},
      {"a name found nowhere on PATH", "no-such-program-4c1d", kStartFileNotFound},
      {"a missing file in an existing folder", (dir.path() / "missing").string(),
       kStartFileNotFound},
      {"a missing folder on the way", "/no/such/folder/prog", kStartPathNotFound},
      {"a file on the way used as a folder", (plain / "prog").string(), kStartPathNotFound},
      {"a file that may not be run", plain.string(), kStartNotExecutable},
      {"a file the system cannot run", script.string(), kStartNotExecutable},
      {"a folder", dir.path().string(), kStartNotExecutable},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(StartProgram(c.command_line.c_str()), c.expected) << c.command_line;
  }
}

TEST(StartProgramPosixTest, PassesArgumentsSplitByTheWindowsRulesWithoutAShell) {
  testing::TempFolder dir;
  fs::path out = dir.path() / "out";
  std::string line = "/bin/sh -c \"printf '[%s]' \\\"$0\\\" \\\"$1\\\" \\\"$2\\\" > " +
                     out.string() + "\" \"two words\" a\\\\b $HOME";
  ASSERT_EQ(StartProgram(line.c_str()), kStarted) << line;
  ASSERT_TRUE(EventuallyExists(out));
  // printf may not have written yet when the file appears.
  std::string text;
  for (int step = 0; step < kPollSteps && text.empty(); ++step) {
    text = ReadWhole(out);
    if (text.empty()) std::this_thread::sleep_for(kPollStep);
  }
  EXPECT_EQ(text, "[two words][a\\\\b][$HOME]");
}

TEST(StartProgramPosixTest, TheProgramHoldsNoneOfTheHostsFilesOpen) {
  testing::TempFolder dir;
  fs::path out = dir.path() / "fds";
  int held = ::open(dir.path().c_str(), O_RDONLY);  // inheritable: no O_CLOEXEC
  ASSERT_GE(held, 0);
  int high = ::fcntl(held, F_DUPFD, kHighDescriptor);
  ASSERT_EQ(high, kHighDescriptor);
  std::string line = "/bin/sh -c \"ls /proc/$$/fd > " + out.string() + "\"";
  ASSERT_EQ(StartProgram(line.c_str()), kStarted);
  std::string listing;
  for (int step = 0; step < kPollSteps && listing.empty(); ++step) {
    listing = ReadWhole(out);
    if (listing.empty()) std::this_thread::sleep_for(kPollStep);
  }
  ::close(high);
  ::close(held);
  EXPECT_NE(listing.find("\n2\n"), std::string::npos) << listing;  // standard streams stay
  EXPECT_EQ(listing.find(std::to_string(kHighDescriptor)), std::string::npos) << listing;
}

TEST(StartProgramPosixTest, ReturnsBeforeTheProgramEndsAndLeavesNoChild) {
  testing::TempFolder dir;
  fs::path marker = dir.path() / "done";
  std::string line = "/bin/sh -c \"sleep 2; touch " + marker.string() + "\"";
  ASSERT_EQ(OwnChildren(), "");
  ASSERT_EQ(StartProgram(line.c_str()), kStarted);
  // The program is still asleep: the call did not wait for it...
  EXPECT_FALSE(fs::exists(marker));
  // ...and it is nobody's child here, so it can never become our zombie.
  EXPECT_EQ(OwnChildren(), "");
  EXPECT_TRUE(EventuallyExists(marker));
  EXPECT_EQ(OwnChildren(), "");
}

}  // namespace
}  // namespace install::utilities
