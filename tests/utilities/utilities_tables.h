// What the utilities tests share: the runners for the size and spawn rows.
#pragma once

#include <thread>

#include "platform/call_notes.h"
#include "support/test_files.h"
#include "utilities/dir_size.h"
#include "utilities/spawn.h"

namespace install::testing {

inline constexpr auto kPollStep = std::chrono::milliseconds(20);
inline constexpr int kPollSteps = 500;

// The file's bytes once another process has written some, polled for up to
// about ten seconds; empty if it never does.
inline std::string EventualBytes(const std::filesystem::path& file) {
  for (int step = 0; step < kPollSteps; ++step) {
    std::string bytes = ReadBytes(file);
    if (!bytes.empty()) return bytes;
    std::this_thread::sleep_for(kPollStep);
  }
  return "";
}

struct SizeCase {
  const char* rule;
  std::string path;  // relative to the tree; native separators
  std::int32_t expected_kb;
  std::uint64_t start_kb = 0;  // where the count starts
};

inline void ExpectSizes(const std::filesystem::path& tree, const std::vector<SizeCase>& cases) {
  for (const SizeCase& c : cases) {
    const std::string path = c.path.empty() ? tree.string() : (tree / c.path).string();
    EXPECT_EQ(utilities::DirSizeKBStartingAtForTesting(path.c_str(), c.start_kb), c.expected_kb)
        << c.rule;
  }
}

struct SpawnCase {
  bool is_program;  // StartProgram, else RunCommand
  std::string text;
  std::int32_t expected;
  std::string reason = "";  // for the diagnostic log; empty: not checked
};

inline void ExpectSpawns(const std::vector<SpawnCase>& cases) {
  for (const SpawnCase& c : cases) {
    const char* text = c.text.c_str();
    platform::CallNotes notes;
    EXPECT_EQ(c.is_program ? utilities::StartProgram(text) : utilities::RunCommand(text),
              c.expected)
        << c.text;
    EXPECT_TRUE(c.reason.empty() || notes.reason() == c.reason) << c.text << ": " << notes.reason();
  }
}

}  // namespace install::testing
