// Host configuration files are Windows text files on every platform: lines
// end with CR LF. The library writes them through binary files and makes
// the line ends itself, so Linux and Windows produce the same bytes.
#pragma once

#include <string>
#include <string_view>

namespace install {

inline constexpr std::string_view kHostLineEnd = "\r\n";

// Appends `text` to `out` as a text-mode stream would write it: every LF
// becomes CR LF and every other byte is kept.
void AppendHostText(std::string_view text, std::string* out);

}  // namespace install
