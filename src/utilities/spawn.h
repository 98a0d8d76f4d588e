// Running commands and starting programs for a setup script.
#pragma once

#include <cstdint>

namespace install::utilities {

// The result when the command interpreter cannot be started or waited for.
inline constexpr std::int32_t kCommandNotRun = -1;

// The codes a program start answers with, as the Windows program loader
// gives them: any value above kLastStartFailure means started.
inline constexpr std::int32_t kStartOutOfResources = 0;
inline constexpr std::int32_t kStartFileNotFound = 2;
inline constexpr std::int32_t kStartPathNotFound = 3;
inline constexpr std::int32_t kStartAccessDenied = 5;
inline constexpr std::int32_t kStartNotExecutable = 11;
inline constexpr std::int32_t kLastStartFailure = 31;
inline constexpr std::int32_t kStarted = 33;

// Runs `command` with the command interpreter, waits, and returns the
// command's exit code (128 plus the signal number for a command a signal
// ended), or kCommandNotRun.
std::int32_t RunCommand(const char* command);

// Starts the program `command_line` names without waiting for it and
// returns a value above kLastStartFailure (Windows: WinExec's own) or one
// of the failure codes above.
std::int32_t StartProgram(const char* command_line);

}  // namespace install::utilities
