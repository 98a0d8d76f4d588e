#include "utilities/spawn.h"

#include "platform/call_notes.h"
#include "platform/process.h"
#include "utilities/command_line.h"

namespace install::utilities {
namespace {

std::int32_t StartResult(const platform::Status& status) {
  switch (status.error) {
    case platform::Error::kNone:
      return kStarted;  // WinExec's own answer for a started program
    case platform::Error::kNotFound:
      return kStartFileNotFound;
    case platform::Error::kPathNotFound:
      return kStartPathNotFound;
    case platform::Error::kAccessDenied:
      return kStartAccessDenied;
    case platform::Error::kNotExecutable:
      return kStartNotExecutable;
    default:
      return kStartOutOfResources;
  }
}

}  // namespace

std::int32_t RunCommand(const char* command) {
  int exit_code = 0;
  const platform::Status status = platform::RunShellCommand(command, &exit_code);
  if (!status.ok()) {
    platform::NoteFailure("start the command interpreter", status);
    return kCommandNotRun;
  }
  return exit_code;
}

std::int32_t StartProgram(const char* command_line) {
  const std::vector<std::string> arguments = SplitWindowsCommandLine(command_line);
  const platform::Status status = platform::StartProgram(command_line, arguments);
  // The system's words for an empty command line would blame a file.
  if (!status.ok() && (arguments.empty() || arguments[0].empty())) {
    platform::NoteFailure("start the program", "the command line names no program");
  } else if (!status.ok()) {
    platform::NoteFailure("start the program", status);
  }
  return StartResult(status);
}

}  // namespace install::utilities
