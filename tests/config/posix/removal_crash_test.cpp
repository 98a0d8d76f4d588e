// A rewrite killed at any moment must leave the configuration file holding
// its old bytes or its new bytes, never anything else and never nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <string>

#include "config/plugin_removal.h"
#include "install.h"
#include "support/test_files.h"

namespace install {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

constexpr int kKills = 40;
constexpr int kMaxKills = 120;
constexpr int kAdjustEvery = 8;
constexpr std::size_t kFileSize = std::size_t{4} << 20;
// Kill moments spread a little past a whole rewrite, so some land after it.
constexpr double kWindowPastRewrite = 1.3;

// The shared helper reads a character at a time, too slow for 40 large
// files in an unoptimised sanitizer build.
std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

std::string LargeHostFile() {
  std::string content = "ZKCO 1\r\n0\r\n";
  for (int i = 0; content.size() < kFileSize; ++i) {
    content += "Window " + std::to_string(i) + " 640 480 and some text to fill the line\r\n";
    if (i % 10 == 0) content += "Plugin C:\\Plug-ins\\Doomed" + std::to_string(i) + ".dll\r\n";
  }
  return content;
}

TEST(PluginRemovalCrash, AKilledRewriteLeavesTheOldOrTheNewFile) {
  TempFolder folder;
  const std::string file = folder.File("host.cfg");
  const std::string old_content = LargeHostFile();

  WriteBytes(file, old_content);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RemovePluginRefs(file.c_str(), "doomed"), INSTALL_EDIT_DONE);
  const auto rewrite_us = std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count();
  const std::string new_content = ReadWhole(file);
  ASSERT_NE(new_content, old_content);

  // The machine is shared, so a rewrite's length varies: the window the kills
  // are spread over widens while none lands after the rewrite and narrows
  // while none lands before its end.
  std::mt19937 random(20261206);
  double window_us = static_cast<double>(rewrite_us) * kWindowPastRewrite;
  int old_seen = 0, new_seen = 0;
  for (int i = 0; i < kMaxKills && (i < kKills || old_seen == 0 || new_seen == 0); ++i) {
    WriteBytes(file, old_content);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RemovePluginRefs(file.c_str(), "doomed");
      ::_exit(0);
    }
    std::uniform_real_distribution<double> kill_after_us(0, window_us);
    ::usleep(static_cast<useconds_t>(kill_after_us(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);

    const std::string after = ReadWhole(file);
    const bool is_old = after == old_content, is_new = after == new_content;
    ASSERT_TRUE(is_old || is_new) << "kill " << i << " left " << after.size() << " bytes";
    old_seen += is_old;
    new_seen += is_new;
    if (i % kAdjustEvery == kAdjustEvery - 1) {
      if (new_seen == 0) window_us *= 2;
      if (old_seen == 0) window_us /= 2;
    }
  }
  // Both outcomes must have happened, or the kills missed the rewrite.
  EXPECT_GT(old_seen, 0);
  EXPECT_GT(new_seen, 0);
}

}  // namespace
}  // namespace install
