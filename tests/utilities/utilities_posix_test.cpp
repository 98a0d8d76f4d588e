// The utilities' rules that need POSIX to set up: links, permissions, trees
// deeper than any path could name, and a host whose signals, files and
// children the spawn calls leave alone.
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

#include "platform/walk.h"
#include "support/system_state.h"
#include "utilities_tables.h"

namespace install::utilities {
namespace {

namespace fs = std::filesystem;

constexpr int kChainDepth = 10000;
// Far fewer descriptors than the chain has levels, enough for the walk's
// bounded set and what the test program itself holds open.
constexpr rlim_t kTightDescriptorLimit = 64;

// A chain of kChainDepth directories named "d", far deeper than any path
// could name: made by changing into each level in turn, removed by rm, which
// walks by descriptors. A 3072-byte file sits at the bottom.
void MakeChain(const fs::path& top) {
  const fs::path start = fs::current_path();
  fs::create_directories(top);
  fs::current_path(top);
  for (int level = 1; level <= kChainDepth; ++level) {
    fs::create_directory("d");
    fs::current_path("d");
  }
  testing::MakeSizedFile("./bottom", 3072);
  fs::current_path(start);
}

TEST(DirSizeKBPosixTest, NeverFollowsLinksSurvivesDeepOrClosedTreesAndReadsEmptyAsRoot) {
  testing::TempFolder tree;
  testing::MakeSizedFile(tree.path() / "outside/big", 1024 * 1024);
  testing::MakeSizedFile(tree.path() / "links/f", 1024);
  testing::MakeSizedFile(tree.path() / "hard/f", 4096);
  testing::MakeSizedFile(tree.path() / "closed/open/f", 1024);
  testing::MakeSizedFile(tree.path() / "closed/shut/f", 4096);
  testing::MakeSizedFile(tree.path() / "closed/tail", 2048);
  fs::create_symlink(tree.path() / "outside" / "big", tree.path() / "links" / "to_file");
  fs::create_directory_symlink(tree.path() / "outside", tree.path() / "links" / "to_dir");
  fs::create_symlink("nowhere", tree.path() / "links" / "dangling");
  fs::create_directory_symlink(tree.path() / "outside", tree.path() / "named_link");
  fs::create_hard_link(tree.path() / "hard" / "f", tree.path() / "hard" / "g");
  ::mkfifo((tree.path() / "hard" / "fifo").c_str(), 0644);
  ::chmod((tree.path() / "closed/shut").c_str(), 0);
  MakeChain(tree.path() / "chain");

  // Permissions do not stop root from reading: there the closed folder counts.
  const bool root = ::geteuid() == 0;
  // The whole table runs with far fewer descriptors than the chain is deep.
  struct rlimit before;
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
  const struct rlimit tight = {kTightDescriptorLimit, before.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  testing::ExpectSizes(
      tree.path(),
      {
          {"links to files and folders add nothing", "links", 1},
          {"the named path is followed when it is a link", "named_link", 1024},
          {"each hard link counts, as each name does on Windows", "hard", 8},
          {"an unreadable sub-directory adds 0 and the walk goes on", "closed", root ? 7 : 3},
          {"a chain 10,000 levels deep", "chain", 3},
      });
  ::setrlimit(RLIMIT_NOFILE, &before);
  // The empty path is the root directory: measured in a child whose root is
  // this tree (only root may change it), since the machine's is far too big.
  if (root) {
    EXPECT_EQ(testing::InChild([&] {
                return ::chroot(tree.path().c_str()) == 0 && ::chdir("/") == 0 ? DirSizeKB("") : -1;
              }),
              (1 + 1024 + 8 + 7 + 3) % 256);
  }
  ::chmod((tree.path() / "closed/shut").c_str(), 0755);
  EXPECT_EQ(std::system(("rm -rf " + (tree.path() / "chain").string()).c_str()), 0);
}

constexpr int kTwinDepth = 40;  // deeper than the walk keeps open
constexpr unsigned kWalkSecondsAllowed = 30;
constexpr char kNoMounts[] = "no mounts: ";

// Mounts are made in a mount namespace of a child's own, so they go with it
// however it ends; the child has a time limit, as a looping walk never ends.
TEST(DirSizeKBPosixTest, BindMountTwinsOfADeepTreeEndAndOtherFileSystemsAreNotEntered) {
  testing::TempFolder tree;
  const fs::path data = tree.path() / "data", report = tree.path() / "report";
  fs::path bottom = data;
  for (int level = 0; level < kTwinDepth; ++level) bottom /= "d";
  testing::MakeSizedFile(bottom / "f", 2048);
  testing::MakeSizedFile(data / "top", 1024);
  testing::MakeSizedFile(tree.path() / "mounted/own", 1024);
  for (const char* dir : {"twins/a", "twins/b", "mounted/other"})
    fs::create_directories(tree.path() / dir);
  auto at = [&](const char* name) { return (tree.path() / name).string(); };
  const int walked = testing::InChild([&] {
    std::string sizes = kNoMounts;
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(data.c_str(), at("twins/a").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(data.c_str(), at("twins/b").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount("tmpfs", at("mounted/other").c_str(), "tmpfs", 0, nullptr) != 0) {
      sizes += std::strerror(errno);
    } else {
      testing::MakeSizedFile(at("mounted/other/f"), 4096);
      ::alarm(kWalkSecondsAllowed);
      sizes = std::to_string(DirSizeKB(tree.path().c_str()));
    }
    testing::WriteBytes(report, sizes);
    return 0;
  });
  ASSERT_EQ(walked, 0) << "no answer within " << kWalkSecondsAllowed << " s";
  const std::string sizes = testing::ReadBytes(report);
  if (sizes.rfind(kNoMounts, 0) == 0) GTEST_SKIP() << sizes;
  // 3 in the folder, 3 in each twin, 1 beside the other file system.
  EXPECT_EQ(sizes, "10");
}

constexpr int kSiblings = 30;
// Overlay layers need a file system that can hold them, whatever the test's is.
constexpr char kLayers[] = "lowerdir=base/lower,upperdir=base/upper,workdir=base/work";

// kSiblings folders, each the top of a chain deeper than the walk keeps open
// with a 1 KB file at the bottom; the folders it holds, counting itself.
int MakeWideAndDeep(const fs::path& top, int first, int last) {
  for (int sibling = first; sibling < last; ++sibling) {
    fs::path bottom = top / std::to_string(sibling);
    for (int level = 1; level < kTwinDepth; ++level) bottom /= "d";
    testing::MakeSizedFile(bottom / "f", 1024);
  }
  return 1 + (last - first) * kTwinDepth;
}

// Overlayfs and ramfs rebuild a folder's whole listing whenever it is read
// again, so a walk that rereads the wide folder after each chain takes time
// in the square of its width: here every folder is read once.
TEST(DirSizeKBPosixTest, EachFolderIsListedOnceOnEveryFileSystem) {
  for (const char* type : {"", "tmpfs", "ramfs", "overlay"}) {
    testing::TempFolder tree;
    const fs::path report = tree.path() / "report";
    testing::InChild([&] {
      std::string answer = kNoMounts;
      fs::current_path(tree.path());
      fs::create_directories("base");
      fs::create_directories("mnt");
      const bool overlay = std::strcmp(type, "overlay") == 0;
      if (*type != '\0' &&
          (::unshare(CLONE_NEWNS) != 0 ||
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
           ::mount("tmpfs", "base", "tmpfs", 0, nullptr) != 0 ||
           !fs::create_directories("base/lower/wide") || !fs::create_directory("base/upper") ||
           !fs::create_directory("base/work") ||
           ::mount(type, "mnt", type, 0, overlay ? kLayers : nullptr) != 0)) {
        answer += std::strerror(errno);
      } else {
        // On overlayfs half the siblings come from the lower layer, so the
        // wide folder is merged from both.
        int folders = MakeWideAndDeep("base/lower/wide", 0, overlay ? kSiblings / 2 : 0);
        folders += MakeWideAndDeep("mnt/wide", overlay ? kSiblings / 2 : 0, kSiblings) - 1;
        const std::uint64_t before = platform::ListingsReadForTesting();
        const std::int32_t kb = DirSizeKB("mnt/wide");
        const auto listings = platform::ListingsReadForTesting() - before;
        answer = std::to_string(kb) + " KB, " + std::to_string(listings) + " listings of " +
                 std::to_string(folders) + " folders";
      }
      testing::WriteBytes(report, answer);
      return 0;
    });
    const std::string answer = testing::ReadBytes(report);
    if (answer.rfind(kNoMounts, 0) == 0) GTEST_SKIP() << type << ": " << answer;
    const std::string folders = std::to_string(1 + kSiblings * kTwinDepth);
    EXPECT_EQ(answer, std::to_string(kSiblings) + " KB, " + folders + " listings of " + folders +
                          " folders")
        << (*type ? type : "the test's own folder");
  }
}

constexpr int kHighDescriptor = 321;
constexpr int kNoFilter = 255;

// From now on close_range answers `error` in this process and its children,
// as it does on kernels before 5.11 or under a container's filter.
bool RefuseCloseRange(int error) {
  sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_close_range, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | static_cast<unsigned>(error)),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  const sock_fprog filter = {static_cast<unsigned short>(std::size(program)), program};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &filter) == 0;
}

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
      {false, "no-such-command-4c1d 2>/dev/null", 127,
       "exit code 127: the shell found no such command"},
      {false, plain.string() + " 2>/dev/null", 126,
       "exit code 126: the shell could not run the command"},
      {false, "-no-such-command-4c1d 2>/dev/null; exit 4", 4},  // a command, not an option
      {true, "true", kStarted},
      {true, (dir.path() / "missing").string(), kStartFileNotFound},
      {true, "/no/such/folder/prog", kStartPathNotFound},
      {true, (plain / "prog").string(), kStartPathNotFound},
      {true, garbage.string(), kStartNotExecutable},
      {true, dir.path().string(), kStartNotExecutable},
  });
  ::signal(SIGINT, previous_int);
  pthread_sigmask(SIG_SETMASK, &previous_mask, nullptr);
  // A host that ignores SIGCHLD still starts programs but cannot learn an exit code.
  EXPECT_EQ(::signal(SIGCHLD, SIG_IGN), &IgnoreChildSignal);
  const fs::path marker = dir.path() / "marker";
  testing::ExpectSpawns({{true, "/bin/sh -c \"echo x > " + marker.string() + "\"", kStarted},
                         {true, "no-such-program-4c1d", kStartFileNotFound},
                         {false, "exit 5", kCommandNotRun}});
  ::signal(SIGCHLD, previous_chld);
  EXPECT_NE(testing::EventualBytes(marker), "");
}

// Run as a user the folder is closed to: root may search every folder.
TEST(SpawnPosixTest, AProgramThatIsNowhereIsNotFoundThoughAFolderOnThePathIsClosed) {
  testing::TempFolder closed;
  ::chmod(closed.path().c_str(), 0);
  EXPECT_EQ(testing::InChild([&] {
              if (::geteuid() == 0 &&
                  (::setgid(testing::kNobody) != 0 || ::setuid(testing::kNobody) != 0))
                return 255;
              ::setenv("PATH", (closed.path().string() + ":/usr/bin:/bin").c_str(), 1);
              return StartProgram("no-such-program-4c1d");
            }),
            kStartFileNotFound);
  ::chmod(closed.path().c_str(), 0700);
}

// One start shows the arguments as split by the Windows rules, no shell in
// between, no wait and no child left here.
TEST(SpawnPosixTest, TheProgramGetsItsArgumentsAndNothingElseOfTheHosts) {
  testing::TempFolder dir;
  const fs::path out = dir.path() / "out";
  const std::string line =
      "/bin/sh -c \"sleep 2; printf '[%s]' \\\"$0\\\" \\\"$1\\\" \\\"$2\\\" > " + out.string() +
      "\" \"two words\" a\\\\b $HOME";
  ASSERT_EQ(StartProgram(line.c_str()), kStarted) << line;
  EXPECT_FALSE(fs::exists(out)) << "waited for the program";
  EXPECT_EQ(OwnChildren(), "");
  EXPECT_EQ(testing::EventualBytes(out), "[two words][a\\\\b][$HOME]");
}

// No inherited file but the standard ones, whether close_range works (0) or
// is refused.
TEST(SpawnPosixTest, NoHostDescriptorReachesTheProgramWithOrWithoutCloseRange) {
  for (const int refusal : {0, ENOSYS, EPERM, EINVAL}) {
    testing::TempFolder dir;
    const std::string out = (dir.path() / "fds").string();
    const int started = testing::InChild([&] {
      if (refusal != 0 && !RefuseCloseRange(refusal)) return kNoFilter;
      const int held = ::open(dir.path().c_str(), O_RDONLY);  // inheritable: no O_CLOEXEC
      if (::fcntl(held, F_DUPFD, kHighDescriptor) != kHighDescriptor) return kNoFilter - 1;
      const std::string line =
          "/bin/sh -c \"ls /proc/$$/fd > " + out + ".part; mv " + out + ".part " + out + "\"";
      return StartProgram(line.c_str());
    });
    if (started == kNoFilter) GTEST_SKIP() << "no seccomp filter here";
    ASSERT_EQ(started, kStarted) << std::strerror(refusal);
    const std::string fds = testing::EventualBytes(out);
    EXPECT_NE(fds.find("\n2\n"), std::string::npos) << fds;  // standard streams stay
    EXPECT_EQ(fds.find(std::to_string(kHighDescriptor)), std::string::npos)
        << std::strerror(refusal) << ": " << fds;
  }
}

}  // namespace
}  // namespace install::utilities
