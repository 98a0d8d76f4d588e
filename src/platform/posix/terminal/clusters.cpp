// User-perceived characters over the locale's wide characters: a small set
// of rules, enough for the text of a name, rather than the full Unicode
// segmentation tables, which would outweigh the rest of the form.
//
// A cluster is a character followed by every character that:
//  - the locale draws in no cell of its own (wcwidth 0): combining marks,
//    variation selectors, the zero-width joiner, tags, conjoining vowels;
//  - is an emoji skin-tone modifier (U+1F3FB..U+1F3FF);
//  - follows a zero-width joiner (the next part of an emoji sequence);
//  - is the second of a pair of regional indicators (a flag).
// It takes the cells of its first character, as terminals that draw emoji
// sequences whole do; a flag takes two. A byte that the locale cannot read
// is a cluster of its own, one cell wide. Spacing marks, which terminals
// give a cell of their own, are clusters of their own too.
#include <cwchar>

#include "platform/posix/terminal/characters.h"

namespace install::platform::terminal {
namespace {

constexpr wchar_t kZeroWidthJoiner = 0x200D;
constexpr wchar_t kFirstSkinTone = 0x1F3FB;
constexpr wchar_t kLastSkinTone = 0x1F3FF;
constexpr wchar_t kFirstRegionalIndicator = 0x1F1E6;
constexpr wchar_t kLastRegionalIndicator = 0x1F1FF;
constexpr int kFlagCells = 2;
constexpr int kUnreadableCells = 1;

struct WideCharacter {
  std::size_t length = 1;
  wchar_t value = 0;
  bool readable = false;
  int width = kUnreadableCells;  // wcwidth's answer, -1 for a control
};

WideCharacter ReadAt(const std::string& text, std::size_t at) {
  WideCharacter read;
  std::mbstate_t state{};
  const std::size_t got = std::mbrtowc(&read.value, text.data() + at, text.size() - at, &state);
  if (got == static_cast<std::size_t>(-1) || got == static_cast<std::size_t>(-2)) return read;
  read.length = got == 0 ? 1 : got;  // a zero byte is one byte long
  read.readable = true;
  read.width = ::wcwidth(read.value);
  return read;
}

bool IsSkinTone(wchar_t c) { return c >= kFirstSkinTone && c <= kLastSkinTone; }
bool IsRegionalIndicator(wchar_t c) {
  return c >= kFirstRegionalIndicator && c <= kLastRegionalIndicator;
}

}  // namespace

Cluster ClusterAt(const std::string& text, std::size_t at) {
  const WideCharacter first = ReadAt(text, at);
  Cluster cluster{first.length, first.width < 0 ? kUnreadableCells : first.width};
  if (!first.readable) return cluster;
  bool after_joiner = false;
  int regional_indicators = IsRegionalIndicator(first.value) ? 1 : 0;
  while (at + cluster.length < text.size()) {
    const WideCharacter next = ReadAt(text, at + cluster.length);
    if (!next.readable) break;
    const bool pairs = regional_indicators == 1 && IsRegionalIndicator(next.value);
    if (!(after_joiner || next.width == 0 || IsSkinTone(next.value) || pairs)) break;
    if (pairs) {
      ++regional_indicators;
      cluster.cells = kFlagCells;
    }
    after_joiner = next.value == kZeroWidthJoiner;
    cluster.length += next.length;
  }
  return cluster;
}

std::size_t ClusterLength(const std::string& text, std::size_t at) {
  return ClusterAt(text, at).length;
}

// Clusters, like the encodings with shift states or trailing bytes that look
// like leading ones, cannot be read backwards: a field's few characters are
// read from the start instead.
std::size_t PreviousCluster(const std::string& text, std::size_t at) {
  std::size_t start = 0;
  for (std::size_t next = 0; next < at; next += ClusterLength(text, next)) start = next;
  return start;
}

std::size_t ClusterBoundary(const std::string& text, std::size_t at) {
  std::size_t boundary = 0;
  while (boundary < at && boundary < text.size()) boundary += ClusterLength(text, boundary);
  return boundary;
}

std::size_t ClusterCount(const std::string& text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); at += ClusterLength(text, at)) ++count;
  return count;
}

int Cells(const std::string& text) {
  int cells = 0;
  for (std::size_t at = 0; at < text.size();) {
    const Cluster cluster = ClusterAt(text, at);
    cells += cluster.cells;
    at += cluster.length;
  }
  return cells;
}

}  // namespace install::platform::terminal
