// ASCII-only letter case, as file systems that ignore case compare the
// names the library makes (".TMP" and the names it is given).
#pragma once

#include <string_view>

namespace install::platform {

inline char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

}  // namespace install::platform
