// Commands and program starts through the system's own calls, whose results
// the logic layer passes back to the script.
#include <windows.h>

#include <cstdlib>

#include "platform/platform.h"
#include "platform/win32/error.h"

namespace install::platform {
namespace {

// WinExec answers with a value above this when the program started.
constexpr UINT kLastStartFailure = 31;

Status StartFailure(UINT code) {
  const int native = static_cast<int>(code);
  switch (code) {
    case 0:
      return Status{Error::kNoResources, native};
    case ERROR_FILE_NOT_FOUND:
      return Status{Error::kNotFound, native};
    case ERROR_PATH_NOT_FOUND:
      return Status{Error::kPathNotFound, native};
    case ERROR_BAD_FORMAT:
      return Status{Error::kNotExecutable, native};
    default:
      return StatusFromWindowsError(code);
  }
}

}  // namespace

// The command interpreter's own result, -1 included, is the command's exit
// code as the script knows it; nothing here can tell the two -1s apart.
Status RunShellCommand(const char* command, int* exit_code) {
  *exit_code = std::system(command);
  return Status{};
}

Status StartProgram(const char* command_line, const std::vector<std::string>& /*arguments*/) {
  UINT code = ::WinExec(command_line, SW_SHOWNORMAL);
  // A start keeps WinExec's own value, which the script gets back unchanged.
  if (code > kLastStartFailure) return Status{Error::kNone, static_cast<int>(code)};
  return StartFailure(code);
}

}  // namespace install::platform
