// Processes (process.cpp of each backend).
#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace install::platform {

// Runs `command` with the system's command interpreter and waits for it.
// `exit_code` receives the code the command ended with; a command ended by a
// signal ends with 128 plus the signal number, as shells report it. Fails
// only when the interpreter could not be started or waited for.
Status RunShellCommand(const char* command, int* exit_code);

// Starts a program in a normal window and returns without waiting for it.
// `command_line` is the caller's text; `arguments` is that text already
// split by the Windows rules, program first. Each backend takes the form its
// system starts programs from. No child is left for the caller to reap.
Status StartProgram(const char* command_line, const std::vector<std::string>& arguments);

}  // namespace install::platform
