#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace install::platform {

bool GetEnvironmentValue(const char* name, std::string* value) {
  // The process environment itself, not the C runtime's copy made at start:
  // a setup script sets the variable after the host has started. A missing
  // variable sets the last error, which the caller may read after the call.
  const DWORD saved_error = ::GetLastError();
  char small[MAX_PATH];
  DWORD size = ::GetEnvironmentVariableA(name, small, sizeof small);
  if (size == 0) {
    ::SetLastError(saved_error);
    return false;
  }
  if (size < sizeof small) {
    value->assign(small, size);
    return true;
  }
  std::string large(size, '\0');
  size = ::GetEnvironmentVariableA(name, &large[0], static_cast<DWORD>(large.size()));
  if (size == 0 || size >= large.size()) return false;
  large.resize(size);
  *value = large;
  return true;
}

UtcTime CurrentUtcTime() {
  SYSTEMTIME utc{};
  ::GetSystemTime(&utc);
  return {utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds};
}

unsigned long CurrentProcessId() { return ::GetCurrentProcessId(); }

void AppendLogLine(const char* path, const std::string& line) {
  const DWORD saved_error = ::GetLastError();
  // Append-only access makes every write land at the end of the file as a
  // whole, whoever else has it open.
  HANDLE file =
      ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    const std::string whole = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(file, whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr);
    ::CloseHandle(file);
  }
  ::SetLastError(saved_error);
}

}  // namespace install::platform
