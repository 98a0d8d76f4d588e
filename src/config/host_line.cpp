#include "config/host_line.h"

namespace install::config {

KeyRest SplitKeyRest(std::string_view line) {
  std::size_t key_start = line.find_first_not_of(kKeySeparator);
  if (key_start == std::string_view::npos) return KeyRest{};
  std::size_t key_end = line.find(kKeySeparator, key_start);
  if (key_end == std::string_view::npos) return KeyRest{line.substr(key_start), {}};
  return KeyRest{line.substr(key_start, key_end - key_start), line.substr(key_end + 1)};
}

LineRole HeaderCheck::Classify(std::string_view key) {
  switch (state_) {
    case State::kExpectFirst:
      if (key == kFirstHeaderKeyWithVersion) {
        state_ = State::kExpectSecond;
        return LineRole::kHeader;
      }
      if (key == kFirstHeaderKeyAlone) {
        state_ = State::kBody;
        return LineRole::kHeader;
      }
      return LineRole::kNotHostFile;
    case State::kExpectSecond:
      if (key == kSecondHeaderKey) {
        state_ = State::kBody;
        return LineRole::kHeader;
      }
      return LineRole::kBadSecondHeader;
    case State::kBody:
      break;
  }
  return LineRole::kBody;
}

}  // namespace install::config
