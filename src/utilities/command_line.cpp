#include "utilities/command_line.h"

#include <cstddef>

namespace install::utilities {
namespace {

constexpr char kQuote = '"';
constexpr char kBackslash = '\\';

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

class Reader {
 public:
  explicit Reader(std::string_view line) : line_(line) {}

  bool AtEnd() const { return pos_ >= line_.size(); }

  void SkipBlanks() {
    while (!AtEnd() && IsBlank(line_[pos_])) ++pos_;
  }

  std::string ProgramName() {
    std::string word;
    bool quoted = false;
    for (; !AtEnd(); ++pos_) {
      char c = line_[pos_];
      if (c == kQuote) {
        quoted = !quoted;
      } else if (!quoted && IsBlank(c)) {
        break;
      } else {
        word += c;
      }
    }
    return word;
  }

  std::string Argument() {
    std::string word;
    bool quoted = false;
    while (!AtEnd()) {
      std::size_t backslashes = 0;
      while (!AtEnd() && line_[pos_] == kBackslash) {
        ++backslashes;
        ++pos_;
      }
      if (AtEnd() || line_[pos_] != kQuote) {
        word.append(backslashes, kBackslash);
        if (AtEnd() || (!quoted && IsBlank(line_[pos_]))) break;
        word += line_[pos_++];
        continue;
      }
      word.append(backslashes / 2, kBackslash);
      if (backslashes % 2 == 1) {
        word += kQuote;
      } else if (quoted && pos_ + 1 < line_.size() && line_[pos_ + 1] == kQuote) {
        word += kQuote;
        ++pos_;
      } else {
        quoted = !quoted;
      }
      ++pos_;
    }
    return word;
  }

 private:
  std::string_view line_;
  std::size_t pos_ = 0;
};

}  // namespace

std::vector<std::string> SplitWindowsCommandLine(std::string_view line) {
  std::vector<std::string> words;
  Reader reader(line);
  reader.SkipBlanks();
  if (reader.AtEnd()) return words;
  words.push_back(reader.ProgramName());
  for (reader.SkipBlanks(); !reader.AtEnd(); reader.SkipBlanks()) {
    words.push_back(reader.Argument());
  }
  return words;
}

}  // namespace install::utilities
