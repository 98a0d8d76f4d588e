// The diagnostic log. When INSTALL_LOG names a file, every export call
// appends one line to it: when, which process, which export, whether the
// token was accepted, the text as given, the result, and for a failure the
// step that failed with the system's reason. Unset, a call only looks the
// variable up. Logging never changes a result: a log that cannot be written
// is passed over.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/call_notes.h"
#include "platform/fallible_buffer.h"

namespace install {

// Longer texts are cut here, with their full length given beside them.
constexpr std::size_t kLoggedTextLimit = 512;

enum class TokenCheck { kNotGated, kAccepted, kRefused };

class CallLog {
 public:
  // Reads the variable; the log is on when it names a file.
  explicit CallLog(const char* export_name) noexcept;
  // When the log is on, takes down the text `make_text(&buffer)` puts in a
  // buffer, now: the call may change the caller's buffer. A text there is
  // not the memory for (make_text answers false) leaves the call unlogged.
  template <typename MakeText>
  void TakeText(MakeText&& make_text) noexcept {
    if (path_.empty()) return;
    platform::TextBuffer given;
    if (make_text(&given)) {
      SetText(given.view());
    } else {
      path_.clear();
    }
  }
  CallLog(const CallLog&) = delete;
  CallLog& operator=(const CallLog&) = delete;

  // Writes the call's line, if the log is on; returns `result`.
  std::int32_t Write(TokenCheck token, std::int32_t result) noexcept;

 private:
  void SetText(std::string_view given);

  std::string path_;  // empty: the log is off
  std::string head_;  // time, process, export
  std::string text_;
  std::optional<platform::CallNotes> notes_;
};

}  // namespace install
