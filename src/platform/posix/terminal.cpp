#include "platform/posix/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "platform/call_notes.h"
#include "platform/posix/error.h"

namespace install::platform::terminal {
namespace {

constexpr char kTerminalPath[] = "/dev/tty";
constexpr char kOpenStep[] = "show the form on /dev/tty";
constexpr char kEnterAlternateScreen[] = "\x1b[?1049h\x1b[H\x1b[2J";
constexpr char kLeaveAlternateScreen[] = "\x1b[0m\x1b[?1049l";
// How long a lone ESC waits for the rest of an escape sequence before it
// counts as the Esc key.
constexpr int kEscapeSequenceWaitMs = 50;
constexpr ScreenSize kFallbackSize = {24, 80};
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

// The signals a full-screen form must answer: the first two ask for a
// redraw, SIGTSTP for the terminal back while the process is stopped, the
// others for the terminal back before the host's own handling ends it.
constexpr int kHandledSignals[] = {SIGWINCH, SIGCONT, SIGTSTP, SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr std::size_t kStopSignalIndex = 2;
// Key codes have a digit or two: a longer number is no key, and is not
// read beyond this.
constexpr int kLargestKeyCode = 1000;

// Signal handlers can reach nothing else; a form is modal, so one session
// at a time owns these.
std::atomic<bool> g_session_active{false};
volatile sig_atomic_t g_redraw_requested = 0;
volatile sig_atomic_t g_stop_requested = 0;
volatile sig_atomic_t g_ending_signal = 0;
int g_wake_fd = -1;

bool SignalPending() { return g_redraw_requested || g_stop_requested || g_ending_signal; }

void OnSignal(int signal_number) {
  const int saved_errno = errno;
  if (signal_number == SIGWINCH || signal_number == SIGCONT) {
    g_redraw_requested = 1;
  } else if (signal_number == SIGTSTP) {
    g_stop_requested = 1;
  } else {
    g_ending_signal = signal_number;
  }
  const char wake = 0;
  (void)!::write(g_wake_fd, &wake, 1);
  errno = saved_errno;
}

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

bool CanDrawOn(const char* term) {
  return term != nullptr && term[0] != '\0' && std::strcmp(term, "dumb") != 0;
}

// Waits for the terminal or a signal; -1 forever. True when the terminal
// has a byte.
bool WaitReadable(int fd, int wake_fd, int timeout_ms) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
  for (;;) {
    const int ready = ::poll(fds, 2, timeout_ms);
    if (ready < 0 && errno == EINTR) {
      if (SignalPending()) return false;
      continue;
    }
    if (ready <= 0) return false;
    if (fds[1].revents != 0) {
      char drained[16];
      while (::read(wake_fd, drained, sizeof drained) > 0) {
      }
      return false;
    }
    return (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
  }
}

}  // namespace

bool Session::Open() {
  if (!CanDrawOn(std::getenv("TERM"))) {
    NoteFailure(kOpenStep, "TERM is unset or \"dumb\"");
    return false;
  }
  fd_ = ::open(kTerminalPath, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) {
    NoteFailure(kOpenStep, LastErrnoStatus());
    return false;
  }
  // A background job would be stopped by the first change of modes; only
  // the terminal's foreground job may put a form on it.
  if (::tcgetpgrp(fd_) != ::getpgrp()) {
    NoteFailure(kOpenStep, "the process is not in the terminal's foreground job");
    return false;
  }
  bool expected = false;
  if (!g_session_active.compare_exchange_strong(expected, true)) {
    NoteFailure(kOpenStep, "another form is on the terminal");
    return false;
  }
  owns_session_ = true;
  // Close-on-exec from the start: another thread may fork and exec at any
  // moment.
  if (::pipe2(wake_pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    NoteFailure(kOpenStep, LastErrnoStatus());
    return false;
  }
  g_wake_fd = wake_pipe_[1];
  g_redraw_requested = 0;
  g_stop_requested = 0;
  g_ending_signal = 0;
  InstallSignalHandlers();
  if (::tcgetattr(fd_, &saved_modes_) != 0) {
    NoteFailure(kOpenStep, LastErrnoStatus());
    return false;
  }
  modes_saved_ = true;
  if (!SetRawMode()) {
    NoteFailure(kOpenStep, LastErrnoStatus());
    return false;
  }
  Write(kEnterAlternateScreen);
  screen_switched_ = true;
  locale_.emplace();
  return true;
}

Session::~Session() {
  if (screen_switched_) Write(kLeaveAlternateScreen);
  // Keys typed at the form but not read stay with the form.
  if (modes_saved_) ::tcsetattr(fd_, TCSAFLUSH, &saved_modes_);
  if (handlers_installed_) RestoreSignalHandlers();
  if (wake_pipe_[0] >= 0) {
    g_wake_fd = -1;
    ::close(wake_pipe_[0]);
    ::close(wake_pipe_[1]);
  }
  if (owns_session_) g_session_active = false;
  if (fd_ >= 0) ::close(fd_);
  // The host sees the signal that ended the form, now that its own handler
  // is back in place.
  if (g_ending_signal != 0) {
    const int signal_number = g_ending_signal;
    g_ending_signal = 0;
    ::raise(signal_number);
  }
}

// From the modes the terminal had before the form, which are the ones it
// gets back.
bool Session::SetRawMode() {
  termios raw = saved_modes_;
  // Keys arrive one by one and unechoed; Ctrl+C and Ctrl+Z are keys of the
  // form rather than signals to the host. Output processing stays as it was.
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  return ::tcsetattr(fd_, TCSAFLUSH, &raw) == 0;
}

void Session::InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Calls interrupted in the host's other threads go on as if nothing had
  // happened; the form's own wait is woken through the pipe.
  action.sa_flags = SA_RESTART;
  static_assert(std::size(kHandledSignals) == kHandledSignalCount);
  for (std::size_t i = 0; i < std::size(kHandledSignals); ++i) {
    ::sigaction(kHandledSignals[i], &action, &saved_actions_[i]);
  }
  handlers_installed_ = true;
}

void Session::RestoreSignalHandlers() {
  for (std::size_t i = 0; i < std::size(kHandledSignals); ++i) {
    ::sigaction(kHandledSignals[i], &saved_actions_[i], nullptr);
  }
}

// As a stopped program should: the terminal as it was, the host's own
// SIGTSTP handling (which stops the process, unless the host chose
// otherwise), and once continued the form again.
void Session::StopAsAsked() {
  Write(kLeaveAlternateScreen);
  ::tcsetattr(fd_, TCSADRAIN, &saved_modes_);
  struct sigaction ours {};
  ::sigaction(SIGTSTP, &saved_actions_[kStopSignalIndex], &ours);
  // Unblocked here, the signal is taken by this thread, before the call
  // returns: the form comes back only once the process is continued.
  sigset_t stop, mask;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  ::pthread_sigmask(SIG_UNBLOCK, &stop, &mask);
  ::kill(::getpid(), SIGTSTP);
  ::pthread_sigmask(SIG_SETMASK, &mask, nullptr);
  ::sigaction(SIGTSTP, &ours, nullptr);
  SetRawMode();
  Write(kEnterAlternateScreen);
}

void Session::Write(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;  // the terminal is gone; the next read says so
    done += static_cast<std::size_t>(put);
  }
}

ScreenSize Session::Size() const {
  winsize size{};
  if (::ioctl(fd_, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) {
    return kFallbackSize;
  }
  return {size.ws_row, size.ws_col};
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
    if (!WaitReadable(fd_, wake_pipe_[0], timeout_ms)) {
      if (timeout_ms < 0 && !SignalPending()) continue;  // a wake already answered
      return false;
    }
    const ssize_t got = ::read(fd_, byte, 1);
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

Key Session::ReadKey() {
  for (;;) {
    if (g_ending_signal != 0) return {KeyKind::kHangUp};
    if (g_stop_requested != 0) {
      g_stop_requested = 0;
      StopAsAsked();
      return {KeyKind::kRedraw};
    }
    if (g_redraw_requested != 0) {
      g_redraw_requested = 0;
      // After a stop and continue the shell may have put its own modes back.
      termios raw{};
      if (::tcgetattr(fd_, &raw) == 0 && (raw.c_lflag & ICANON) != 0) SetRawMode();
      return {KeyKind::kRedraw};
    }
    char byte = 0;
    if (!NextByte(&byte, -1)) {
      if (SignalPending()) continue;
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
        break;
      default:
        if (static_cast<unsigned char>(byte) < 0x20) return {KeyKind::kIgnored};
        return TextKey(byte);
    }
    // ESC alone is the Esc key; ESC followed at once by more is a sequence.
    char next = 0;
    if (!NextByte(&next, kEscapeSequenceWaitMs)) return {KeyKind::kEscape};
    if (next == 'a' || next == 'A') return {KeyKind::kAltAccept};
    if (next != '[' && next != 'O') return {KeyKind::kIgnored};
    // A control sequence ends with a byte from '@' to '~'; before it come
    // parameters, of which only the first number matters here.
    char final_byte = 0;
    int parameter = 0;
    bool first_parameter = true;
    while (NextByte(&final_byte, kEscapeSequenceWaitMs)) {
      if (final_byte >= '@' && final_byte <= '~') break;
      if (final_byte == ';') first_parameter = false;
      if (first_parameter && final_byte >= '0' && final_byte <= '9' &&
          parameter <= kLargestKeyCode) {
        parameter = parameter * 10 + (final_byte - '0');
      }
    }
    return {SequenceKey(final_byte, parameter)};
  }
}

}  // namespace install::platform::terminal
