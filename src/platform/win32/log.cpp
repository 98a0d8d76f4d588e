#include <windows.h>

#include <string>

#include "platform/log.h"
#include "platform/win32/text.h"

namespace install::platform {

bool GetEnvironmentValue(const char* name, std::string* value) {
  // The process environment itself, not the C runtime's copy made at start:
  // a setup script sets the variable after the host has started. A missing
  // variable sets the last error, which the caller may read after the call.
  const DWORD saved_error = ::GetLastError();
  std::wstring wide_name;
  if (!WideFromText(name, &wide_name).ok()) return false;
  wchar_t small[MAX_PATH];
  DWORD size = ::GetEnvironmentVariableW(wide_name.c_str(), small, MAX_PATH);
  if (size == 0) {
    ::SetLastError(saved_error);
    return false;
  }
  std::wstring wide;
  if (size < MAX_PATH) {
    wide.assign(small, size);
  } else {
    wide.assign(size, L'\0');
    size = ::GetEnvironmentVariableW(wide_name.c_str(), wide.data(), static_cast<DWORD>(size));
    if (size == 0 || size >= wide.size()) return false;
    wide.resize(size);
  }
  return TextFromWide(wide, value).ok() && !value->empty();
}

UtcTime CurrentUtcTime() {
  SYSTEMTIME utc{};
  ::GetSystemTime(&utc);
  return {utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds};
}

unsigned long CurrentProcessId() { return ::GetCurrentProcessId(); }

// The line is the library's text, UTF-8, whatever encoding the caller used.
void AppendLogLine(const char* path, const std::string& line) {
  const DWORD saved_error = ::GetLastError();
  std::wstring long_form;
  // Append-only access makes every write land at the end of the file as a
  // whole, whoever else has it open.
  HANDLE file = ExtendedLengthPath(path, &long_form).ok()
                    ? ::CreateFileW(long_form.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                    : INVALID_HANDLE_VALUE;
  if (file != INVALID_HANDLE_VALUE) {
    const std::string whole = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(file, whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr);
    ::CloseHandle(file);
  }
  ::SetLastError(saved_error);
}

}  // namespace install::platform
