#include "platform/posix/settings_file.h"

#include <cstddef>
#include <vector>

namespace install::platform::settings_file {

const char kNewFileHeader[] =
    "# Per-user settings written by the Install library. One value a line,\n"
    "# Name=Value; \"[Name]\" starts a section. In names and values \\\\ is a\n"
    "# backslash, \\n \\r \\t are control characters and \\xHH is any other byte.\n";

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string HexEscape(unsigned char byte) {
  return std::string{'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Which bytes must not appear raw: those that would end the line, change
// how it splits, or vanish from sight (blanks at either end, so that a name
// of blanks is still visible to a reader).
bool NeedsEscape(const std::string& raw, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(raw[i]);
  if (c < 0x20 || c == 0x7F || c == '\\' || c == '=' || c == '[' || c == ']') return true;
  if (c == ' ') return i == 0 || i + 1 == raw.size();
  if (c == '#' || c == ';') return i == 0;
  return false;
}

struct Line {
  std::string text;
  bool is_entry = false;
  bool is_section = false;
  std::string section;  // the group the line belongs to (or opens)
  std::string name;     // unescaped, for entries
  std::string value;    // unescaped, for entries
};

std::vector<Line> SplitLines(const std::string& file_text) {
  std::vector<Line> lines;
  std::string current_section;
  std::size_t start = 0;
  while (start < file_text.size()) {
    std::size_t end = file_text.find('\n', start);
    if (end == std::string::npos) end = file_text.size();
    Line line;
    line.text = file_text.substr(start, end - start);
    // A line that an editor ended with CR LF; a CR of our own is escaped.
    std::string body = line.text;
    if (!body.empty() && body.back() == '\r') body.pop_back();
    if (body.size() >= 2 && body.front() == '[' && body.back() == ']') {
      line.is_section = true;
      current_section = Unescape(body.substr(1, body.size() - 2));
    } else if (!body.empty() && body[0] != '#' && body[0] != ';') {
      const std::size_t equals = body.find('=');
      if (equals != std::string::npos) {
        line.is_entry = true;
        line.name = Unescape(body.substr(0, equals));
        line.value = Unescape(body.substr(equals + 1));
      }
    }
    line.section = current_section;
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::string Escape(const std::string& raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (!NeedsEscape(raw, i)) {
      out += c;
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += HexEscape(static_cast<unsigned char>(c));
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char kind = text[i + 1];
    if (kind == '\\') {
      out += '\\';
    } else if (kind == 'n') {
      out += '\n';
    } else if (kind == 'r') {
      out += '\r';
    } else if (kind == 't') {
      out += '\t';
    } else if (kind == 'x' && i + 3 < text.size() && HexValue(text[i + 2]) >= 0 &&
               HexValue(text[i + 3]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
      i += 2;
    } else {
      out += text[i];
      continue;
    }
    ++i;
  }
  return out;
}

std::string WithValue(const std::string& file_text, const std::string& section,
                      const std::string& name, const std::string& value) {
  std::vector<Line> lines = SplitLines(file_text);
  const std::string entry = Escape(name) + "=" + Escape(value);

  bool replaced = false;
  std::size_t insert_at = std::string::npos;  // after the group's last entry
  bool group_seen = section.empty();
  std::vector<Line> kept;
  kept.reserve(lines.size() + 2);
  for (Line& line : lines) {
    if (line.section == section) {
      if (line.is_section) {
        group_seen = true;
        kept.push_back(std::move(line));
        insert_at = kept.size();
        continue;
      }
      if (line.is_entry && line.name == name) {
        // A second line for the same name (a hand edit) would shadow the
        // new value for some readers; the value lives on one line only.
        if (replaced) continue;
        line.text = entry;
        replaced = true;
      }
      if (line.is_entry) insert_at = kept.size() + 1;
    }
    kept.push_back(std::move(line));
  }

  if (!replaced) {
    Line line;
    line.text = entry;
    if (!group_seen) {
      if (!kept.empty() && !kept.back().text.empty()) kept.push_back(Line{});
      Line header;
      header.text = "[" + Escape(section) + "]";
      kept.push_back(std::move(header));
      kept.push_back(std::move(line));
    } else if (insert_at == std::string::npos) {
      // The empty section without entries yet: after the leading comments,
      // before the first group.
      std::size_t first_group = 0;
      while (first_group < kept.size() && !kept[first_group].is_section) ++first_group;
      while (first_group > 0 && kept[first_group - 1].text.empty() && first_group < kept.size()) {
        --first_group;
      }
      kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(first_group), std::move(line));
    } else {
      kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(insert_at), std::move(line));
    }
  }

  std::string out;
  for (const Line& line : kept) {
    out += line.text;
    out += '\n';
  }
  return out;
}

bool FindValue(const std::string& file_text, const std::string& section, const std::string& name,
               std::string* value) {
  for (const Line& line : SplitLines(file_text)) {
    if (line.is_entry && line.section == section && line.name == name) {
      *value = line.value;
      return true;
    }
  }
  return false;
}

}  // namespace install::platform::settings_file
