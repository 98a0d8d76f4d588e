// The controlling terminal, taken over for one modal form: raw keys, the
// alternate screen, and the few signals that concern a full-screen form.
// Everything is put back exactly as it was when the session ends, however
// it ends.
#pragma once

#include <termios.h>

#include <optional>
#include <string>

#include "platform/posix/handles.h"
#include "platform/posix/terminal/characters.h"
#include "platform/posix/terminal/signals.h"

namespace install::platform::terminal {

enum class KeyKind {
  kText,  // a whole character of text, in `text`
  kTab,
  kBackTab,  // Shift+Tab
  kEnter,
  kEscape,
  kBackspace,
  kDelete,
  kLeft,
  kRight,
  kHome,
  kEnd,
  kClearLine,     // Ctrl+U
  kInterrupt,     // Ctrl+C, a keypress here rather than a signal
  kAltCharacter,  // Alt with the character in `text`: a button's mnemonic
  kRedraw,        // the window changed size, or the form is back after a stop
  kHangUp,        // the terminal went away, or a signal asks the host to end
  kIgnored,
};

struct Key {
  KeyKind kind = KeyKind::kIgnored;
  std::string text{};
};

struct ScreenSize {
  int rows;
  int columns;
};

class Session {
 public:
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session();

  // False when there is no controlling terminal this process may draw on:
  // none at all, one that cannot show a form, or one that belongs to the
  // foreground job of someone else.
  bool Open();

  void Write(const std::string& bytes);
  // The terminal's bell, for a key the form refuses.
  void Ring();
  ScreenSize Size() const;
  Key ReadKey();

 private:
  bool SetRawMode();
  void StopAsAsked();
  bool WaitReadable(int timeout_ms);
  bool NextByte(char* byte, int timeout_ms);
  Key TextKey(char first);
  Key SequenceAfterEscape();

  UniqueFd fd_;
  bool owns_session_ = false;
  bool modes_saved_ = false;
  termios saved_modes_{};
  std::optional<SignalWatch> signals_;
  bool screen_switched_ = false;
  std::string unread_;  // bytes read ahead that are not a key yet
  std::optional<CharacterLocale> locale_;
};

}  // namespace install::platform::terminal
