// Keys from the terminal's bytes, and the wait for them that a signal for
// the form can end.
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/terminal/session.h"

namespace install::platform::terminal {
namespace {

// How long a lone ESC waits for the rest of an escape sequence before it
// counts as the Esc key.
constexpr int kEscapeSequenceWaitMs = 50;
constexpr char kControlC = 0x03;
constexpr char kControlH = 0x08;
constexpr char kControlU = 0x15;
constexpr char kEscapeByte = 0x1b;
constexpr char kDelByte = 0x7f;  // what Backspace sends
// ESC [ n ~ keys.
constexpr int kHomeCode = 1;
constexpr int kDeleteCode = 3;
constexpr int kEndCode = 4;
constexpr int kHomeCodeRxvt = 7;
constexpr int kEndCodeRxvt = 8;
// Key codes have a digit or two: a longer number is no key, and is not
// read beyond this.
constexpr int kLargestKeyCode = 1000;

// The keys an editing field answers, as terminals send them: ESC [ D or
// ESC O D for the arrows, and Home, End and Delete in either of their forms.
KeyKind SequenceKey(char final_byte, int parameter) {
  switch (final_byte) {
    case 'Z':
      return KeyKind::kBackTab;
    case 'D':
      return KeyKind::kLeft;
    case 'C':
      return KeyKind::kRight;
    case 'H':
      return KeyKind::kHome;
    case 'F':
      return KeyKind::kEnd;
    case '~':
      if (parameter == kHomeCode || parameter == kHomeCodeRxvt) return KeyKind::kHome;
      if (parameter == kEndCode || parameter == kEndCodeRxvt) return KeyKind::kEnd;
      if (parameter == kDeleteCode) return KeyKind::kDelete;
      break;
    default:
      break;
  }
  return KeyKind::kIgnored;
}

}  // namespace

// Waits for the terminal or a signal; -1 forever. True when the terminal
// has a byte.
bool Session::WaitReadable(int timeout_ms) {
  pollfd fds[2] = {{fd_.get(), POLLIN, 0}, {signals_->wake_fd(), POLLIN, 0}};
  for (;;) {
    const int ready = ::poll(fds, 2, timeout_ms);
    if (ready < 0 && errno == EINTR) {
      if (SignalWatch::Pending()) return false;
      continue;
    }
    if (ready <= 0) return false;
    if (fds[1].revents != 0) {
      signals_->DrainWake();
      return false;
    }
    return (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
  }
}

// A byte of input within `timeout_ms`; with -1, false only when a signal
// asks for something or the terminal is gone.
bool Session::NextByte(char* byte, int timeout_ms) {
  if (!unread_.empty()) {
    *byte = unread_.front();
    unread_.erase(0, 1);
    return true;
  }
  for (;;) {
    if (!WaitReadable(timeout_ms)) {
      if (timeout_ms < 0 && !SignalWatch::Pending()) continue;  // a wake already answered
      return false;
    }
    const ssize_t got = ::read(fd_.get(), byte, 1);
    if (got == 1) return true;
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    return false;
  }
}

// A character of text: its first byte and as many more as the locale says
// it has, waited for as briefly as the rest of an escape sequence. A byte
// that cannot begin a character is a character of its own, so none is lost.
Key Session::TextKey(char first) {
  std::string character(1, first);
  std::size_t length = 1;
  char next = 0;
  Decoded decoded;
  while ((decoded = DecodeCharacter(character.data(), character.size(), &length)) ==
             Decoded::kIncomplete &&
         NextByte(&next, kEscapeSequenceWaitMs)) {
    character += next;
  }
  if (decoded != Decoded::kCharacter) length = 1;
  unread_.insert(0, character, length, std::string::npos);
  character.resize(length);
  if (!IsTextCharacter(character)) return {KeyKind::kIgnored};
  return {KeyKind::kText, character};
}

// ESC alone is the Esc key; ESC followed at once by more is a sequence.
Key Session::SequenceAfterEscape() {
  char next = 0;
  if (!NextByte(&next, kEscapeSequenceWaitMs)) return {KeyKind::kEscape};
  if (next != '[' && next != 'O') {
    const Key key = TextKey(next);
    return key.kind == KeyKind::kText ? Key{KeyKind::kAltCharacter, key.text} : key;
  }
  // A control sequence ends with a byte from '@' to '~'; before it come
  // parameters, of which only the first number matters here.
  char final_byte = 0;
  int parameter = 0;
  bool first_parameter = true;
  while (NextByte(&final_byte, kEscapeSequenceWaitMs)) {
    if (final_byte >= '@' && final_byte <= '~') break;
    if (final_byte == ';') first_parameter = false;
    if (first_parameter && final_byte >= '0' && final_byte <= '9' && parameter <= kLargestKeyCode) {
      parameter = parameter * 10 + (final_byte - '0');
    }
  }
  return {SequenceKey(final_byte, parameter)};
}

Key Session::ReadKey() {
  for (;;) {
    if (SignalWatch::EndingSignal() != 0) return {KeyKind::kHangUp};
    if (SignalWatch::TakeStop()) {
      StopAsAsked();
      return {KeyKind::kRedraw};
    }
    if (SignalWatch::TakeRedraw()) {
      // After a stop and continue the shell may have put its own modes back.
      termios raw{};
      if (::tcgetattr(fd_.get(), &raw) == 0 && (raw.c_lflag & ICANON) != 0) SetRawMode();
      return {KeyKind::kRedraw};
    }
    char byte = 0;
    if (!NextByte(&byte, -1)) {
      if (SignalWatch::Pending()) continue;
      return {KeyKind::kHangUp};
    }
    switch (byte) {
      case '\t':
        return {KeyKind::kTab};
      case '\r':
      case '\n':
        return {KeyKind::kEnter};
      case kDelByte:
      case kControlH:
        return {KeyKind::kBackspace};
      case kControlU:
        return {KeyKind::kClearLine};
      case kControlC:
        return {KeyKind::kInterrupt};
      case kEscapeByte:
        return SequenceAfterEscape();
      default:
        if (static_cast<unsigned char>(byte) < 0x20) return {KeyKind::kIgnored};
        return TextKey(byte);
    }
  }
}

}  // namespace install::platform::terminal
