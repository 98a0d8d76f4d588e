// Commands and program starts through the system's own calls, whose results
// the logic layer passes back to the script. Both take the library's text
// as UTF-16, so a command names any file Windows can name.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "platform/process.h"
#include "platform/win32/error.h"
#include "platform/win32/text.h"
#include "platform/win32/wine.h"

namespace install::platform {
namespace {

// WinExec's failure answers, which StartProgram keeps: a system error code
// below 32, and ERROR_BAD_FORMAT for any failure whose code is 32 or more.
constexpr UINT kLastStartFailure = 31;
// As WinExec does, the call returns once the new program waits for input
// (its first message loop) or this time has passed, whichever comes first.
constexpr DWORD kReadyForInputTimeoutMs = 30000;

Status StartFailure(DWORD code) {
  if (code > kLastStartFailure) code = ERROR_BAD_FORMAT;
  const int native = static_cast<int>(code);
  switch (code) {
    case 0:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
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

// The short (8.3) form of a program path on a drive ("\\?\C:\...") of
// MAX_PATH characters or more; empty where the path is shorter or on the
// network, where its volume keeps no short names, or where even the short
// form is too long.
std::wstring ShortFormIfTooLong(const std::wstring& path) {
  const std::size_t prefix = std::wcslen(kLocalPathPrefix);
  std::wstring long_form;
  if (!ExtendedLengthPath(path, &long_form).ok()) return {};
  const bool on_a_drive = long_form.size() > prefix + 1 && long_form[prefix + 1] == L':';
  if (!on_a_drive || long_form.size() - prefix < MAX_PATH) return {};
  const DWORD needed = ::GetShortPathNameW(long_form.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::wstring short_form(needed, L'\0');
  const DWORD written = ::GetShortPathNameW(long_form.c_str(), short_form.data(), needed);
  if (written == 0 || written >= needed) return {};
  short_form.resize(written);
  short_form.erase(0, prefix);  // kept from the long form
  return short_form.size() < MAX_PATH ? short_form : std::wstring();
}

}  // namespace

// _wsystem runs "%COMSPEC% /c command" as system does, and answers the same:
// the command's exit code, or -1 when the interpreter could not start, which
// nothing here can tell from a command's own -1.
Status RunShellCommand(const char* command, int* exit_code) {
  std::wstring wide;
  const Status status = WideFromText(command, &wide);
  if (!status.ok()) return status;
  *exit_code = ::_wsystem(wide.c_str());
  return Status{};
}

// What WinExec does, with the W call: CreateProcess with the whole line
// (the system finds the program in it), a normal window, and a wait until
// the program is ready for input. CreateProcess takes no program path of
// MAX_PATH characters or more, so such a program is given by its short path
// besides. Not under Wine, whose CreateProcess turns a short program path
// back into the long one in a MAX_PATH buffer and, when it does not fit,
// goes on with the buffer unwritten (a garbled name; a crashed 32-bit host).
Status StartProgram(const char* command_line, const std::vector<std::string>& arguments) {
  std::wstring line;
  Status status = WideFromText(command_line, &line);
  if (!status.ok()) return status;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  // CreateProcessW may write into the line it is given, hence the copy's buffer.
  std::wstring program;
  if (!arguments.empty() && !RunningUnderWine() && WideFromText(arguments[0], &program).ok()) {
    program = ShortFormIfTooLong(program);
  }
  if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return StartFailure(::GetLastError());
  }
  ::WaitForInputIdle(started.hProcess, kReadyForInputTimeoutMs);
  ::CloseHandle(started.hThread);
  ::CloseHandle(started.hProcess);
  return Status{};
}

}  // namespace install::platform
