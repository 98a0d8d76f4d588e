#include "platform/win32/text.h"

#include <windows.h>

#include <climits>
#include <cwchar>

#include "platform/win32/error.h"

namespace install::platform {
namespace {

// The encoding of the library's text inside: what the exports hand down.
constexpr UINT kTextCodePage = CP_ACP;

constexpr wchar_t kSeparator = L'\\';
constexpr const wchar_t* kLocalPrefix = L"\\\\?\\";
constexpr const wchar_t* kUncPrefix = L"\\\\?\\UNC\\";
constexpr const wchar_t* kUncStart = L"\\\\";
// "\\.\C:\tree" names the same file as "C:\tree"; only the prefix differs.
constexpr const wchar_t* kDevicePrefix = L"\\\\.\\";
constexpr const wchar_t* kCurrentDriveRoot = L"\\";

}  // namespace

Status WideFromText(std::string_view text, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return Status{};
  if (text.size() > INT_MAX) return StatusFromWindowsError(ERROR_FILENAME_EXCED_RANGE);
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(kTextCodePage, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return LastWindowsStatus();
  wide->resize(static_cast<std::size_t>(length));
  if (::MultiByteToWideChar(kTextCodePage, 0, text.data(), size, wide->data(), length) <= 0) {
    return LastWindowsStatus();
  }
  return Status{};
}

Status TextFromWide(std::wstring_view wide, std::string* text) {
  text->clear();
  if (wide.empty()) return Status{};
  if (wide.size() > INT_MAX) return StatusFromWindowsError(ERROR_FILENAME_EXCED_RANGE);
  const int size = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(kTextCodePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return LastWindowsStatus();
  text->resize(static_cast<std::size_t>(length));
  if (::WideCharToMultiByte(kTextCodePage, 0, wide.data(), size, text->data(), length, nullptr,
                            nullptr) <= 0) {
    return LastWindowsStatus();
  }
  return Status{};
}

Status ExtendedLengthPath(const char* path, std::wstring* long_form) {
  std::wstring wide;
  Status status = WideFromText(path, &wide);
  if (!status.ok()) return status;
  if (wide.empty()) wide = kCurrentDriveRoot;
  DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return LastWindowsStatus();
  std::wstring full(needed, L'\0');
  DWORD written = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return LastWindowsStatus();
  full.resize(written);
  while (!full.empty() && full.back() == kSeparator) full.pop_back();
  if (full.rfind(kLocalPrefix, 0) == 0) {
    *long_form = full;
  } else if (full.rfind(kDevicePrefix, 0) == 0) {
    *long_form = kLocalPrefix + full.substr(std::wcslen(kDevicePrefix));
  } else if (full.rfind(kUncStart, 0) == 0) {
    *long_form = kUncPrefix + full.substr(std::wcslen(kUncStart));
  } else {
    *long_form = kLocalPrefix + full;
  }
  return Status{};
}

}  // namespace install::platform
