#include "config/host_text.h"

namespace install {

bool AppendHostText(std::string_view text, platform::TextBuffer* out) {
  for (;;) {
    const std::size_t line_feed = text.find('\n');
    if (!out->Append(text.substr(0, line_feed))) return false;
    if (line_feed == std::string_view::npos) return true;
    if (!out->Append(kHostLineEnd)) return false;
    text.remove_prefix(line_feed + 1);
  }
}

}  // namespace install
