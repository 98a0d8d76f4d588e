// Command lines in the form each platform's calls take (chosen in CMake:
// test_commands_posix.cpp or _win32.cpp).
#pragma once

#include <string>

namespace install::testing {

// A program, started with no interpreter in between, that writes to
// `marker` after about `delay_seconds`.
std::string ProgramWriting(const std::string& marker, int delay_seconds);

// A file that exists but is no program the system can run.
extern const char kNotAProgram[];

// A command for the command interpreter that writes to `marker`.
inline std::string ShellCommandWriting(const std::string& marker) { return "echo made> " + marker; }

}  // namespace install::testing
