// The removal's rules written out the plain way, line by line over a whole
// string, as a check on the streaming rewrite.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>

#include "install.h"

namespace install::testing {

struct ReferenceRewrite {
  std::int32_t result;
  std::string bytes;
};

inline std::string ReferenceUpper(std::string text) {
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return text;
}

inline ReferenceRewrite ReferenceRemoval(const std::string& input, const std::string& plugin) {
  std::istringstream lines(input.substr(0, input.find('\x1A')));
  std::string line, out;
  int line_number = 0;
  bool zkco = false;
  while (std::getline(lines, line)) {
    // A CR is part of the line end only where a line feed follows it.
    if (!lines.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t start = std::min(line.find_first_not_of(' '), line.size());
    const std::size_t end = std::min(line.find(' ', start), line.size());
    const std::string key = line.substr(start, end - start);
    const std::string rest = end < line.size() ? line.substr(end + 1) : "";
    ++line_number;
    if (line_number == 1 && key != "ZKCO" && key != "MDOP") return {INSTALL_EDIT_NOT_HOST_FILE, ""};
    if (line_number == 1) zkco = key == "ZKCO";
    if (line_number == 2 && zkco && key != "0") return {INSTALL_EDIT_BAD_SECOND_HEADER, ""};
    const bool body = line_number > (zkco ? 2 : 1);
    if (body && key == "Plugin" && !rest.empty() &&
        ReferenceUpper(rest).find(ReferenceUpper(plugin)) != std::string::npos) {
      continue;
    }
    out += key + " " + rest + "\r\n";
  }
  return {INSTALL_EDIT_DONE, out};
}

}  // namespace install::testing
