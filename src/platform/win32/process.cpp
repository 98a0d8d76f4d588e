// Commands and program starts through the system's own calls, whose results
// the logic layer passes back to the script. Both take the library's text
// as UTF-16, so a command names any file Windows can name.
#include "platform/process.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "platform/call_notes.h"
#include "platform/win32/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

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

// A program path of MAX_PATH characters or more, which CreateProcessW
// cannot take, is given by its short (8.3) form where that fits. The form
// keeps its "\\?\" start: a system that turns the program's name back into
// the long form on the way (Wine does, into a MAX_PATH buffer it then reads
// unwritten) takes a "\\?\" name as it is. Whether the short form fits is
// the only test: a volume without short names answers the long form again.
// `program` is left empty when the path is short enough as it is, or is a
// bare name, which the system looks for in its own folders.
Status ProgramPathThatFits(const std::wstring& path, std::wstring* program) {
  program->clear();
  if (path.find_first_of(L"\\/:") == std::wstring::npos) return Status{};
  std::wstring long_form;
  if (!ExtendedLengthPath(path, &long_form).ok()) return Status{};  // CreateProcessW says why
  if (long_form.size() - std::wcslen(kLocalPathPrefix) < MAX_PATH) return Status{};
  const DWORD needed = ::GetShortPathNameW(long_form.c_str(), nullptr, 0);
  if (needed == 0) return LastWindowsStatus();  // no such program, as the caller notes
  std::wstring short_form(needed, L'\0');
  const DWORD written = ::GetShortPathNameW(long_form.c_str(), short_form.data(), needed);
  if (written != 0 && written < needed && written < MAX_PATH) {
    short_form.resize(written);
    *program = std::move(short_form);
    return Status{};
  }
  NoteFailure("start the program", "its path is too long and has no short form that fits");
  return Status{Error::kPathNotFound, ERROR_PATH_NOT_FOUND};
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
// the program is ready for input.
Status StartProgram(const char* command_line, const std::vector<std::string>& arguments) {
  std::wstring line;
  Status status = WideFromText(command_line, &line);
  if (!status.ok()) return status;
  std::wstring program;
  if (!arguments.empty() && WideFromText(arguments[0], &program).ok()) {
    status = ProgramPathThatFits(std::wstring(program), &program);
    if (!status.ok()) return status;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  // CreateProcessW may write into the line it is given, hence the copy's buffer.
  if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return StartFailure(::GetLastError());
  }
  const UniqueObject process(started.hProcess), thread(started.hThread);
  ::WaitForInputIdle(process.get(), kReadyForInputTimeoutMs);
  return Status{};
}

}  // namespace install::platform
