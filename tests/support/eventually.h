// Waiting for what another process writes: polls a file until it has
// content, for up to about ten seconds.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/test_files.h"

namespace install::testing {

inline constexpr auto kPollStep = std::chrono::milliseconds(20);
inline constexpr int kPollSteps = 500;

// The file's bytes once it holds some; empty if it never does.
inline std::string EventualBytes(const std::filesystem::path& file) {
  for (int step = 0; step < kPollSteps; ++step) {
    std::string bytes = ReadBytes(file);
    if (!bytes.empty()) return bytes;
    std::this_thread::sleep_for(kPollStep);
  }
  return "";
}

}  // namespace install::testing
