#include "platform/win32/text.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <utility>

#include "platform/call_notes.h"
#include "platform/win32/error.h"

namespace install::platform {
namespace {

// The library's text inside: UTF-8, which holds every name Windows can give.
// Invalid input is refused rather than patched over.
constexpr UINT kTextCodePage = CP_UTF8;

constexpr wchar_t kSeparator = L'\\';
constexpr const wchar_t* kUncPrefix = L"\\\\?\\UNC\\";
constexpr const wchar_t* kUncStart = L"\\\\";
// "\\.\C:\tree" names the same file as "C:\tree"; only the prefix differs.
constexpr const wchar_t* kDevicePrefix = L"\\\\.\\";
constexpr const wchar_t* kCurrentDriveRoot = L"\\";
// The longest path the W functions take, in UTF-16 units. A UTF-16 unit
// takes at most three bytes of UTF-8, so a longer text names no file, and
// every path the backend widens is small and bounded.
constexpr std::size_t kLongestPathUnits = 32767;
constexpr std::size_t kLongestPathBytes = 3 * kLongestPathUnits;

// The conversions fill std::strings for the backend's own short texts and
// FallibleBuffers for the caller's, which may not fit in the memory left.
template <typename Text>
bool ResizeTo(Text* text, std::size_t size) {
  text->resize(size);
  return true;
}
template <typename T>
bool ResizeTo(FallibleBuffer<T>* buffer, std::size_t size) {
  return buffer->Resize(size);
}

Status OutOfMemory() {
  NoteFailure("copy the text", kOutOfMemory);
  return Status{Error::kNoResources, 0};
}

template <typename Wide>
Status ToWide(UINT code_page, DWORD flags, std::string_view text, Wide* wide) {
  wide->clear();
  if (text.empty()) return Status{};
  if (text.size() > INT_MAX) return StatusFromWindowsError(ERROR_FILENAME_EXCED_RANGE);
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0);
  if (length <= 0) return LastWindowsStatus();
  if (!ResizeTo(wide, static_cast<std::size_t>(length))) return OutOfMemory();
  if (::MultiByteToWideChar(code_page, flags, text.data(), size, wide->data(), length) <= 0) {
    return LastWindowsStatus();
  }
  return Status{};
}

// `used_default`, when given, reports a character the code page had no byte for.
template <typename Text>
Status FromWide(UINT code_page, DWORD flags, std::wstring_view wide, Text* text,
                BOOL* used_default = nullptr) {
  text->clear();
  if (wide.empty()) return Status{};
  if (wide.size() > INT_MAX) return StatusFromWindowsError(ERROR_FILENAME_EXCED_RANGE);
  const int size = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(code_page, flags, wide.data(), size, nullptr, 0, nullptr, used_default);
  if (length <= 0) return LastWindowsStatus();
  if (!ResizeTo(text, static_cast<std::size_t>(length))) return OutOfMemory();
  if (::WideCharToMultiByte(code_page, flags, wide.data(), size, text->data(), length, nullptr,
                            used_default) <= 0) {
    return LastWindowsStatus();
  }
  return Status{};
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The first UTF-16 unit of `wide` that is half of no pair, or npos.
std::size_t FirstUnpairedSurrogate(std::wstring_view wide) {
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(wide[i]) || IsLowSurrogate(wide[i])) {
      return i;
    }
  }
  return std::wstring_view::npos;
}

// "U+0142 (character 7)": which character of the caller's text, counted
// from 1 in UTF-16 units, for the log.
std::string DescribeCharacter(std::wstring_view wide, std::size_t index) {
  constexpr unsigned kHexDigitsShown = 4;
  std::string code;
  for (unsigned value = wide[index], left = kHexDigitsShown; left > 0; --left, value >>= 4) {
    code.insert(code.begin(), "0123456789ABCDEF"[value & 0xF]);
  }
  return "U+" + code + " (character " + std::to_string(index + 1) + ")";
}

Status NoteUnpairedSurrogate(std::wstring_view wide, std::size_t index) {
  NoteFailure("read the text",
              ("it holds an unpaired surrogate, " + DescribeCharacter(wide, index)).c_str());
  return StatusFromWindowsError(ERROR_NO_UNICODE_TRANSLATION);
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

Status WideFromText(std::string_view text, std::wstring* wide) {
  return ToWide(kTextCodePage, MB_ERR_INVALID_CHARS, text, wide);
}

Status TextFromWide(std::wstring_view wide, std::string* text) {
  return FromWide(kTextCodePage, WC_ERR_INVALID_CHARS, wide, text);
}

// No flags, as the system's A functions convert: every byte the code page
// defines becomes its character, and nothing an ANSI caller passes is
// refused. ASCII is the same in every code page and in UTF-8, and is copied
// as it is.
Status TextFromCaller(std::string_view given, TextBuffer* text) {
  if (IsAscii(given)) return text->Assign(given) ? Status{} : OutOfMemory();
  WideBuffer wide;
  const Status status = ToWide(CP_ACP, 0, given, &wide);
  if (!status.ok()) return status;
  return FromWide(kTextCodePage, WC_ERR_INVALID_CHARS, wide.view(), text);
}

Status TextFromCaller(std::wstring_view given, TextBuffer* text, InvalidText invalid) {
  if (invalid == InvalidText::kReplace) return FromWide(kTextCodePage, 0, given, text);
  const std::size_t unpaired = FirstUnpairedSurrogate(given);
  if (unpaired != std::wstring_view::npos) return NoteUnpairedSurrogate(given, unpaired);
  return FromWide(kTextCodePage, WC_ERR_INVALID_CHARS, given, text);
}

Status FileBytesFromCaller(std::wstring_view given, TextBuffer* bytes) {
  const std::size_t unpaired = FirstUnpairedSurrogate(given);
  if (unpaired != std::wstring_view::npos) return NoteUnpairedSurrogate(given, unpaired);
  // A system whose ANSI code page is UTF-8 holds every character, and
  // refuses the flags and the default-character report for it.
  if (::GetACP() == CP_UTF8) return FromWide(kTextCodePage, WC_ERR_INVALID_CHARS, given, bytes);
  BOOL used_default = FALSE;
  const Status status = FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, given, bytes, &used_default);
  if (!status.ok() || !used_default) return status;
  // Found again one character at a time, only to say which in the log.
  std::size_t index = 0;
  std::string one;
  for (; index < given.size(); ++index) {
    const std::size_t units = IsHighSurrogate(given[index]) ? 2 : 1;
    BOOL missing = FALSE;
    FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, given.substr(index, units), &one, &missing);
    if (missing) break;
    index += units - 1;
  }
  if (index == given.size()) index = 0;
  NoteFailure("read the operand", ("the ANSI code page (" + std::to_string(::GetACP()) +
                                   ") has no byte for " + DescribeCharacter(given, index))
                                      .c_str());
  bytes->clear();
  return StatusFromWindowsError(ERROR_NO_UNICODE_TRANSLATION);
}

Status ExtendedLengthPath(const char* path, std::wstring* long_form) {
  if (std::strlen(path) > kLongestPathBytes)
    return StatusFromWindowsError(ERROR_FILENAME_EXCED_RANGE);
  std::wstring wide;
  const Status status = WideFromText(path, &wide);
  if (!status.ok()) return status;
  return ExtendedLengthPath(std::move(wide), long_form);
}

Status ExtendedLengthPath(std::wstring wide, std::wstring* long_form) {
  if (wide.empty()) wide = kCurrentDriveRoot;
  DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return LastWindowsStatus();
  std::wstring full(needed, L'\0');
  DWORD written = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return LastWindowsStatus();
  full.resize(written);
  while (!full.empty() && full.back() == kSeparator) full.pop_back();
  if (full.rfind(kLocalPathPrefix, 0) == 0) {
    *long_form = full;
  } else if (full.rfind(kDevicePrefix, 0) == 0) {
    *long_form = kLocalPathPrefix + full.substr(std::wcslen(kDevicePrefix));
  } else if (full.rfind(kUncStart, 0) == 0) {
    *long_form = kUncPrefix + full.substr(std::wcslen(kUncStart));
  } else {
    *long_form = kLocalPathPrefix + full;
  }
  return Status{};
}

}  // namespace install::platform
