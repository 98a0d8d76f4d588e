// Commands that leave a marker file, in the form each platform's program
// start takes (chosen in CMake: test_commands_posix.cpp or _win32.cpp).
#pragma once

#include <string>

namespace install::testing {

// A program command line (no interpreter in between) that creates `marker`.
std::string ProgramCreating(const std::string& marker);

// A command for the command interpreter that creates `marker`.
inline std::string ShellCommandCreating(const std::string& marker) {
  return "echo made > " + marker;
}

}  // namespace install::testing
