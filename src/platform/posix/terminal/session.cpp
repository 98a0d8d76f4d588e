#include "platform/posix/terminal/session.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/call_notes.h"
#include "platform/posix/error.h"

namespace install::platform::terminal {
namespace {

constexpr char kTerminalPath[] = "/dev/tty";
constexpr char kOpenStep[] = "show the form on /dev/tty";
constexpr char kEnterAlternateScreen[] = "\x1b[?1049h\x1b[H\x1b[2J";
constexpr char kLeaveAlternateScreen[] = "\x1b[0m\x1b[?1049l";
constexpr char kBell[] = "\a";
constexpr ScreenSize kFallbackSize = {24, 80};

// A form is modal: one session at a time owns the terminal and the signals.
std::atomic<bool> g_session_active{false};

bool CanDrawOn(const char* term) {
  return term != nullptr && term[0] != '\0' && std::strcmp(term, "dumb") != 0;
}

}  // namespace

bool Session::Open() {
  if (!CanDrawOn(std::getenv("TERM"))) {
    NoteFailure(kOpenStep, "TERM is unset or \"dumb\"");
    return false;
  }
  fd_.reset(::open(kTerminalPath, O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!fd_) {
    NoteFailure(kOpenStep, LastErrnoStatus());
    return false;
  }
  // A background job would be stopped by the first change of modes; only
  // the terminal's foreground job may put a form on it.
  if (::tcgetpgrp(fd_.get()) != ::getpgrp()) {
    NoteFailure(kOpenStep, "the process is not in the terminal's foreground job");
    return false;
  }
  bool expected = false;
  if (!g_session_active.compare_exchange_strong(expected, true)) {
    NoteFailure(kOpenStep, "another form is on the terminal");
    return false;
  }
  owns_session_ = true;
  if (!signals_.emplace().Start()) {
    NoteFailure(kOpenStep, LastErrnoStatus());
    return false;
  }
  if (::tcgetattr(fd_.get(), &saved_modes_) != 0) {
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
  if (modes_saved_) ::tcsetattr(fd_.get(), TCSAFLUSH, &saved_modes_);
  const bool watched = signals_.has_value();
  signals_.reset();  // the host's actions are back
  if (owns_session_) g_session_active = false;
  // The host sees the signal that ended the form, now that its own handler
  // is in place.
  if (watched) SignalWatch::RaiseEndingSignal();
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
  return ::tcsetattr(fd_.get(), TCSAFLUSH, &raw) == 0;
}

// As a stopped program should: the terminal as it was, the host's own
// SIGTSTP handling (which stops the process, unless the host chose
// otherwise), and once continued the form again.
void Session::StopAsAsked() {
  Write(kLeaveAlternateScreen);
  ::tcsetattr(fd_.get(), TCSADRAIN, &saved_modes_);
  signals_->WithHostStopAction([] {
    // Unblocked here, the signal is taken by this thread, before the call
    // returns: the form comes back only once the process is continued.
    sigset_t stop, mask;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    ::pthread_sigmask(SIG_UNBLOCK, &stop, &mask);
    ::kill(::getpid(), SIGTSTP);
    ::pthread_sigmask(SIG_SETMASK, &mask, nullptr);
  });
  SetRawMode();
  Write(kEnterAlternateScreen);
}

void Session::Write(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;  // the terminal is gone; the next read says so
    done += static_cast<std::size_t>(put);
  }
}

void Session::Ring() { Write(kBell); }

ScreenSize Session::Size() const {
  winsize size{};
  if (::ioctl(fd_.get(), TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) {
    return kFallbackSize;
  }
  return {size.ws_row, size.ws_col};
}

}  // namespace install::platform::terminal
