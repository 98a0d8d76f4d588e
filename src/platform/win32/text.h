// The library's text as the Windows backend receives it (UTF-8), and UTF-16,
// which the system's W functions take. Every conversion between the two
// happens here, so the rest of the backend never chooses an encoding; so do
// the exports' own (platform.h: TextFromCaller, FileBytesFromCaller).
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace install::platform {

// `text` (the library's text) as UTF-16. Fails on text that is not valid
// UTF-8.
Status WideFromText(std::string_view text, std::wstring* wide);
// The reverse, for names and messages that come back from the system; fails
// on an unpaired surrogate.
Status TextFromWide(std::wstring_view wide, std::string* text);

// What starts the "\\?\" form of a local path.
inline constexpr const wchar_t* kLocalPathPrefix = L"\\\\?\\";

// The full "\\?\" form of `path`, with no trailing separator, so that the W
// functions take it whatever its length: relative paths, "/" separators,
// UNC and device paths included. The empty path is the current drive's root.
Status ExtendedLengthPath(const char* path, std::wstring* long_form);
Status ExtendedLengthPath(std::wstring path, std::wstring* long_form);

}  // namespace install::platform
