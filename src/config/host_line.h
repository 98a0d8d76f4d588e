// How a host configuration line divides into a key and a rest, and how the
// header lines at the top of a file are recognised.
#pragma once

#include <string_view>

namespace install::config {

inline constexpr char kKeySeparator = ' ';
inline constexpr std::string_view kFirstHeaderKeyWithVersion = "ZKCO";
inline constexpr std::string_view kFirstHeaderKeyAlone = "MDOP";
inline constexpr std::string_view kSecondHeaderKey = "0";
inline constexpr std::string_view kPluginKey = "Plugin";

// A line's key and rest. Both point into the line; an absent key or rest is
// empty, which is also how it is written back.
struct KeyRest {
  std::string_view key;
  std::string_view rest;
};

// Spaces before the key are skipped; only the space ends a key (a tab
// belongs to it); the rest starts after that one space and is kept as is.
KeyRest SplitKeyRest(std::string_view line);

// What the header check makes of one line.
enum class LineRole {
  kHeader,          // a valid header line; kept
  kBody,            // a body line; may be dropped
  kNotHostFile,     // the first line is neither header kind
  kBadSecondHeader  // "ZKCO" is not followed by "0"
};

// The header check, fed one key per line in file order. Keys compare exactly
// and case-sensitively.
class HeaderCheck {
 public:
  LineRole Classify(std::string_view key);
  bool in_body() const { return state_ == State::kBody; }

 private:
  enum class State { kExpectFirst, kExpectSecond, kBody };
  State state_ = State::kExpectFirst;
};

}  // namespace install::config
