// Command lines in the form each platform's calls take (chosen in CMake:
// test_commands_posix.cpp or _win32.cpp), and the runner for spawn rows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "utilities/spawn.h"

namespace install::testing {

// A program, started with no interpreter in between, that writes to
// `marker` after about two seconds.
std::string ProgramWriting(const std::string& marker);

// A file that exists but is no program the system can run.
extern const char kNotAProgram[];

struct SpawnCase {
  bool is_program;  // StartProgram, else RunCommand
  std::string text;
  std::int32_t expected;
};

inline void ExpectSpawns(const std::vector<SpawnCase>& cases) {
  for (const SpawnCase& c : cases) {
    const char* text = c.text.c_str();
    EXPECT_EQ(c.is_program ? utilities::StartProgram(text) : utilities::RunCommand(text),
              c.expected)
        << c.text;
  }
}

}  // namespace install::testing
