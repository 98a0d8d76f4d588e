// The removal's rules written out the plain way, line by line over a whole
// string, as a check on the streaming rewrite.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "install.h"

namespace install::testing {

struct ReferenceRewrite {
  std::int32_t result;
  std::string bytes;
};

inline std::string ReferenceUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

inline ReferenceRewrite ReferenceRemoval(std::string input, const std::string& plugin_name) {
  std::size_t ctrl_z = input.find('\x1A');
  if (ctrl_z != std::string::npos) input.resize(ctrl_z);

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t line_feed = input.find('\n', start);
    if (line_feed == std::string::npos) {
      lines.push_back(input.substr(start));  // the last line keeps a lone CR
      break;
    }
    std::string line = input.substr(start, line_feed - start);
    if (!line.empty() && line[line.size() - 1] == '\r') line.pop_back();
    lines.push_back(line);
    start = line_feed + 1;
  }

  std::string out;
  int header_lines_seen = 0;
  bool second_header_needed = false;
  for (const std::string& line : lines) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    std::string key, rest;
    while (i < line.size() && line[i] != ' ') key += line[i++];
    if (i < line.size()) rest = line.substr(i + 1);

    if (header_lines_seen == 0) {
      if (key == "ZKCO") {
        second_header_needed = true;
      } else if (key != "MDOP") {
        return {INSTALL_EDIT_NOT_HOST_FILE, ""};
      }
      ++header_lines_seen;
    } else if (second_header_needed) {
      if (key != "0") return {INSTALL_EDIT_BAD_SECOND_HEADER, ""};
      second_header_needed = false;
    } else if (key == "Plugin" && !rest.empty() &&
               ReferenceUpper(rest).find(ReferenceUpper(plugin_name)) != std::string::npos) {
      continue;
    }
    out += key + " " + rest + "\r\n";
  }
  return {INSTALL_EDIT_DONE, out};
}

}  // namespace install::testing
