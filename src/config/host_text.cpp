#include "config/host_text.h"

namespace install {

void AppendHostText(std::string_view text, std::string* out) {
  for (;;) {
    const std::size_t line_feed = text.find('\n');
    out->append(text.substr(0, line_feed));
    if (line_feed == std::string_view::npos) return;
    out->append(kHostLineEnd);
    text.remove_prefix(line_feed + 1);
  }
}

}  // namespace install
