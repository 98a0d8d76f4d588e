#include "platform/posix/terminal/signals.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <iterator>

namespace install::platform::terminal {
namespace {

// SIGWINCH and SIGCONT ask for a redraw, SIGTSTP for the terminal back while
// the process is stopped, the others for the terminal back before the
// host's own handling ends it.
constexpr int kWatchedSignals[] = {SIGWINCH, SIGCONT, SIGTSTP, SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Handlers may run on any of the host's threads, so everything they touch
// is a lock-free atomic. A form is modal: one watch at a time owns these.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<bool> g_redraw_requested{false};
std::atomic<bool> g_stop_requested{false};
std::atomic<int> g_ending_signal{0};

// The wake descriptor is published only while the watch lives. A handler
// counts itself in before it reads the descriptor and out after its write;
// the watch, once the host's actions are back, withdraws the descriptor and
// waits until no handler is counted before it closes the pipe. So a handler
// that read the descriptor finishes its write before the pipe is closed,
// and none can write into a descriptor number the host has since reused. A
// pipe kept for the life of the process would need no such wait, but would
// take two descriptors from the host for good, again on every load.
std::atomic<int> g_wake_fd{-1};
std::atomic<int> g_handlers_running{0};

void OnSignal(int signal_number) {
  g_handlers_running.fetch_add(1);
  const int saved_errno = errno;
  if (signal_number == SIGWINCH || signal_number == SIGCONT) {
    g_redraw_requested = true;
  } else if (signal_number == SIGTSTP) {
    g_stop_requested = true;
  } else {
    g_ending_signal = signal_number;
  }
  const int wake_fd = g_wake_fd.load();
  const char wake = 0;
  if (wake_fd >= 0) (void)!::write(wake_fd, &wake, 1);  // non-blocking: a full pipe wakes too
  errno = saved_errno;
  g_handlers_running.fetch_sub(1);
}

std::size_t IndexOf(int signal_number) {
  for (std::size_t i = 0; i < std::size(kWatchedSignals); ++i) {
    if (kWatchedSignals[i] == signal_number) return i;
  }
  return std::size(kWatchedSignals);
}

}  // namespace

bool SignalWatch::Start() {
  static_assert(std::size(kWatchedSignals) == kSignalCount);
  int pipe_fds[2];
  // Close-on-exec from the start: another thread may fork and exec at any
  // moment.
  if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  wake_read_.reset(pipe_fds[0]);
  wake_write_.reset(pipe_fds[1]);
  g_redraw_requested = false;
  g_stop_requested = false;
  g_ending_signal = 0;
  g_wake_fd = wake_write_.get();

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Calls interrupted in the host's other threads go on as if nothing had
  // happened; the form's own wait is woken through the pipe.
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    // A signal the host ignores stays ignored: a handler, even one that
    // restarts calls, would still end some of them (poll, sleeps) with
    // EINTR, and would turn a SIGTERM the host chose to ignore into the
    // end of the form. Without SIGWINCH the form learns a new size at the
    // next key.
    if (::sigaction(kWatchedSignals[i], nullptr, &saved_[i]) != 0) continue;
    if ((saved_[i].sa_flags & SA_SIGINFO) == 0 && saved_[i].sa_handler == SIG_IGN) continue;
    installed_[i] = ::sigaction(kWatchedSignals[i], &action, nullptr) == 0;
  }
  return true;
}

SignalWatch::~SignalWatch() { Restore(); }

void SignalWatch::Restore() {
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    if (installed_[i]) ::sigaction(kWatchedSignals[i], &saved_[i], nullptr);
    installed_[i] = false;
  }
  if (!wake_write_) return;
  g_wake_fd = -1;
  while (g_handlers_running.load() != 0) ::sched_yield();
  wake_write_.reset();
  wake_read_.reset();
}

void SignalWatch::DrainWake() const {
  char drained[16];
  while (::read(wake_read_.get(), drained, sizeof drained) > 0) {
  }
}

bool SignalWatch::Pending() { return g_redraw_requested || g_stop_requested || g_ending_signal; }
bool SignalWatch::TakeRedraw() { return g_redraw_requested.exchange(false); }
bool SignalWatch::TakeStop() { return g_stop_requested.exchange(false); }
int SignalWatch::EndingSignal() { return g_ending_signal; }

void SignalWatch::RaiseEndingSignal() {
  const int signal_number = g_ending_signal.exchange(0);
  if (signal_number != 0) ::raise(signal_number);
}

bool SignalWatch::SwapStopAction(struct sigaction* ours) {
  const std::size_t stop = IndexOf(SIGTSTP);
  return installed_[stop] && ::sigaction(SIGTSTP, &saved_[stop], ours) == 0;
}

}  // namespace install::platform::terminal
