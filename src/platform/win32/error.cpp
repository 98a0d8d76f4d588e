#include "platform/win32/error.h"

#include <string>

#include "platform/call_notes.h"
#include "platform/win32/text.h"

namespace install::platform {

Status StatusFromWindowsError(DWORD error) {
  const int native = static_cast<int>(error);
  switch (error) {
    case ERROR_SUCCESS:
      return Status{};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return Status{Error::kNotFound, native};
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return Status{Error::kAccessDenied, native};
    case ERROR_DIRECTORY:
      return Status{Error::kIsDirectory, native};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Status{Error::kNoSpace, native};
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_CRC:
      return Status{Error::kIo, native};
    default:
      return Status{Error::kOther, native};
  }
}

Status LastWindowsStatus() { return StatusFromWindowsError(::GetLastError()); }

std::string DescribeError(const Status& status) {
  if (status.native == 0) return DescribeErrorKind(status.error);
  // The W call, so that the message reaches the log whole in any language.
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(status.native), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words;
  if (length == 0 || text == nullptr || !TextFromWide({text, length}, &words).ok()) {
    words = "Unknown error";
  }
  if (text != nullptr) ::LocalFree(text);
  while (!words.empty() && (words.back() == '\r' || words.back() == '\n' || words.back() == ' ')) {
    words.pop_back();
  }
  return words + " (error " + std::to_string(status.native) + ")";
}

}  // namespace install::platform
