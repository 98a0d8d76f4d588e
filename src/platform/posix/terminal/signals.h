// The signals a full-screen form must answer, watched while the form is up:
// the handlers only note what arrived and wake the form's wait through a
// pipe; the form acts on the notes on its own thread.
#pragma once

#include <signal.h>

#include <cstddef>

#include "platform/posix/handles.h"

namespace install::platform::terminal {

class SignalWatch {
 public:
  SignalWatch() = default;
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;
  // Puts back every action it replaced, and only those.
  ~SignalWatch();

  // The wake pipe, then the handlers. False (with errno) when the pipe
  // cannot be made; nothing is installed then.
  bool Start();

  // The end of the wake pipe to wait on, and emptying it once woken.
  int wake_fd() const { return wake_read_.get(); }
  void DrainWake() const;

  static bool Pending();
  static bool TakeRedraw();
  static bool TakeStop();
  // The signal that asks the host to end, 0 if none has arrived.
  static int EndingSignal();
  // Raises the ending signal again, for the host's own action (call once
  // the host's handlers are back).
  static void RaiseEndingSignal();

  // Runs `stop` with the host's own SIGTSTP action in place of the form's.
  template <typename Stop>
  void WithHostStopAction(Stop stop) {
    struct sigaction ours {};
    const bool swapped = SwapStopAction(&ours);
    stop();
    if (swapped) ::sigaction(SIGTSTP, &ours, nullptr);
  }

 private:
  static constexpr std::size_t kSignalCount = 7;
  bool SwapStopAction(struct sigaction* ours);
  void Restore();

  UniqueFd wake_read_;
  UniqueFd wake_write_;
  bool installed_[kSignalCount] = {};
  struct sigaction saved_[kSignalCount] {};
};

}  // namespace install::platform::terminal
