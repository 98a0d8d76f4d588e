// The bounded wait of the edit locks: a lock another edit holds is tried
// again until it comes free or the wait runs out.
#pragma once

#include <time.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/error.h"

namespace install::platform {

// Long enough for another edit of a large file to end; short enough that a
// setup whose file is held by a stuck process reports it instead of hanging.
constexpr long kEditLockWaitMs = 10000;
constexpr long kFirstRetryMs = 1, kLongestRetryMs = 32;

// `try_once` answers 0 when it took the lock, EWOULDBLOCK while another edit
// holds it, or the errno of a real failure, which ends the wait at once.
template <typename TryOnce>
Status WaitForLock(TryOnce try_once) {
  long waited_ms = 0;
  for (long retry_ms = kFirstRetryMs;; retry_ms = retry_ms * 2 > kLongestRetryMs ? kLongestRetryMs : retry_ms * 2) {
    const int error = try_once();
    if (error != EWOULDBLOCK && error != EINTR) return StatusFromErrno(error);
    if (waited_ms >= kEditLockWaitMs) return StatusFromErrno(EWOULDBLOCK);
    const timespec pause{retry_ms / 1000, (retry_ms % 1000) * 1000000};
    ::nanosleep(&pause, nullptr);
    waited_ms += retry_ms;
  }
}

}  // namespace install::platform
