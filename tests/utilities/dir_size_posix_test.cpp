// The size rules that need POSIX to set up: links, permissions, and trees
// deeper than any path could name.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_files.h"
#include "tree_files.h"

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

TEST(DirSizeKBPosixTest, NeverFollowsLinksAndSurvivesDeepOrClosedTrees) {
  testing::TempFolder tree;
  testing::MakeSizedFile(tree.path() / "outside/big", 1024 * 1024);
  testing::MakeSizedFile(tree.path() / "links/f", 1024);
  fs::create_symlink(tree.path() / "outside" / "big", tree.path() / "links" / "to_file");
  fs::create_directory_symlink(tree.path() / "outside", tree.path() / "links" / "to_dir");
  fs::create_symlink("nowhere", tree.path() / "links" / "dangling");
  fs::create_directory_symlink(tree.path() / "outside", tree.path() / "named_link");
  testing::MakeSizedFile(tree.path() / "hard/f", 4096);
  fs::create_hard_link(tree.path() / "hard" / "f", tree.path() / "hard" / "g");
  ::mkfifo((tree.path() / "hard" / "fifo").c_str(), 0644);
  testing::MakeSizedFile(tree.path() / "closed/open/f", 1024);
  testing::MakeSizedFile(tree.path() / "closed/shut/f", 4096);
  testing::MakeSizedFile(tree.path() / "closed/tail", 2048);
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
  ::chmod((tree.path() / "closed/shut").c_str(), 0755);
  EXPECT_EQ(std::system(("rm -rf " + (tree.path() / "chain").string()).c_str()), 0);
}

// The empty path is the root directory. Measured in a child process whose
// root is a small tree, since the machine's own root is far too big.
TEST(DirSizeKBPosixTest, TheEmptyPathIsTheRootDirectory) {
  constexpr int kCannotChangeRoot = 255;
  testing::TempFolder tree;
  testing::MakeSizedFile(tree.path() / "a", 2048);
  testing::MakeSizedFile(tree.path() / "sub" / "b", 5120);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::chroot(tree.path().c_str()) != 0 || ::chdir("/") != 0) ::_exit(kCannotChangeRoot);
    ::_exit(DirSizeKB(""));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotChangeRoot) GTEST_SKIP() << "changing the root needs root";
  EXPECT_EQ(WEXITSTATUS(status), 2 + 5);
}

}  // namespace
}  // namespace install::utilities
