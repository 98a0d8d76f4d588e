// Command launching on POSIX: the Windows meanings of what only POSIX can
// set up, and a host whose signals, files and children are left alone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/eventually.h"
#include "test_commands.h"

namespace install::utilities {
namespace {

namespace fs = std::filesystem;

constexpr int kHighDescriptor = 321;

// The children the kernel lists for every thread of this process.
std::string OwnChildren() {
  std::string children;
  for (const auto& task : fs::directory_iterator("/proc/self/task"))
    children += testing::ReadBytes(task.path() / "children");
  return children;
}

void IgnoreChildSignal(int) {}

// Run with SIGTERM blocked, SIGINT ignored and a SIGCHLD handler of the
// host's own, none of which the command may see or the call may change.
TEST(SpawnPosixTest, AnswersWithTheWindowsCodesAndLeavesTheHostsSignalsAlone) {
  testing::TempFolder dir;
  const fs::path plain = dir.path() / "plain.txt";
  testing::WriteBytes(plain, "text");
  const fs::path garbage = dir.path() / "garbage";
  testing::WriteBytes(garbage, std::string("\x7f") + "ELF garbage\n");
  fs::permissions(garbage, fs::perms::owner_all);
  sigset_t term, previous_mask;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &term, &previous_mask), 0);
  const auto previous_int = ::signal(SIGINT, SIG_IGN);
  const auto previous_chld = ::signal(SIGCHLD, IgnoreChildSignal);
  testing::ExpectSpawns({
      {false, "", 0},
      {false, "exit 300", 300 % 256},
      {false, "kill -KILL $$", 128 + SIGKILL},
      {false, "kill -TERM $$", 128 + SIGTERM},
      {false, "kill -INT $$", 128 + SIGINT},
      {false, "no-such-command-4c1d 2>/dev/null", 127},
      {true, "true", kStarted},
      {true, (dir.path() / "missing").string(), kStartFileNotFound},
      {true, "/no/such/folder/prog", kStartPathNotFound},
      {true, (plain / "prog").string(), kStartPathNotFound},
      {true, garbage.string(), kStartNotExecutable},
      {true, dir.path().string(), kStartNotExecutable},
  });
  ::signal(SIGINT, previous_int);
  pthread_sigmask(SIG_SETMASK, &previous_mask, nullptr);
  EXPECT_EQ(::signal(SIGCHLD, previous_chld), &IgnoreChildSignal);
}

TEST(SpawnPosixTest, AHostIgnoringSigchldStillStartsButCannotLearnAnExitCode) {
  const auto before = ::signal(SIGCHLD, SIG_IGN);
  testing::TempFolder dir;
  const fs::path marker = dir.path() / "marker";
  EXPECT_EQ(StartProgram(("/bin/sh -c \"echo x > " + marker.string() + "\"").c_str()), kStarted);
  EXPECT_EQ(StartProgram("no-such-program-4c1d"), kStartFileNotFound);
  EXPECT_EQ(RunCommand("exit 5"), kCommandNotRun);
  ::signal(SIGCHLD, before);
  EXPECT_NE(testing::EventualBytes(marker), "");
}

// One start shows the arguments as split by the Windows rules, no shell in
// between, no inherited file but the standard ones, and no child left here.
TEST(SpawnPosixTest, TheProgramGetsItsArgumentsAndNothingElseOfTheHosts) {
  testing::TempFolder dir;
  const fs::path out = dir.path() / "out";
  int held = ::open(dir.path().c_str(), O_RDONLY);  // inheritable: no O_CLOEXEC
  ASSERT_EQ(::fcntl(held, F_DUPFD, kHighDescriptor), kHighDescriptor);
  const std::string line = "/bin/sh -c \"sleep 1; ls /proc/$$/fd > " + out.string() +
                           ".fds; printf '[%s]' \\\"$0\\\" \\\"$1\\\" \\\"$2\\\" > " +
                           out.string() + "\" \"two words\" a\\\\b $HOME";
  ASSERT_EQ(StartProgram(line.c_str()), kStarted) << line;
  ::close(kHighDescriptor);
  ::close(held);
  EXPECT_EQ(OwnChildren(), "");
  EXPECT_EQ(testing::EventualBytes(out), "[two words][a\\\\b][$HOME]");
  const std::string fds = testing::ReadBytes(out.string() + ".fds");
  EXPECT_NE(fds.find("\n2\n"), std::string::npos) << fds;  // standard streams stay
  EXPECT_EQ(fds.find(std::to_string(kHighDescriptor)), std::string::npos) << fds;
}

}  // namespace
}  // namespace install::utilities
