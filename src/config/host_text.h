// Host configuration files are Windows text files on every platform: lines
// end with CR LF. The library writes them through binary files and makes
// the line ends itself, so Linux and Windows produce the same bytes.
#pragma once

#include <string_view>

#include "platform/fallible_buffer.h"

namespace install {

inline constexpr std::string_view kHostLineEnd = "\r\n";

// Appends `text` to `out` as a text-mode stream would write it: every LF
// becomes CR LF and every other byte is kept. False when there is not the
// memory for it.
[[nodiscard]] bool AppendHostText(std::string_view text, platform::TextBuffer* out);

}  // namespace install
