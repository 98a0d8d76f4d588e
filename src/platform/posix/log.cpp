#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/log.h"

namespace install::platform {
namespace {

constexpr mode_t kLogFileMode = 0644;

}  // namespace

bool GetEnvironmentValue(const char* name, std::string* value) {
  const char* found = std::getenv(name);
  if (found == nullptr || found[0] == '\0') return false;
  *value = found;
  return true;
}

UtcTime CurrentUtcTime() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm utc{};
  ::gmtime_r(&now.tv_sec, &utc);
  return {static_cast<unsigned>(utc.tm_year + 1900),
          static_cast<unsigned>(utc.tm_mon + 1),
          static_cast<unsigned>(utc.tm_mday),
          static_cast<unsigned>(utc.tm_hour),
          static_cast<unsigned>(utc.tm_min),
          static_cast<unsigned>(utc.tm_sec),
          static_cast<unsigned>(now.tv_nsec / 1000000L)};
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

void AppendLogLine(const char* path, const std::string& line) {
  const int saved_errno = errno;
  // Non-blocking, so that a FIFO nobody reads fails at once instead of
  // holding up the call; for a file it changes nothing.
  const int fd =
      ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, kLogFileMode);
  if (fd >= 0) {
    const std::string whole = line + "\n";
    // One write: O_APPEND puts it at the end as a whole, whoever else is
    // appending. A short write is not retried, which could interleave.
    (void)!::write(fd, whole.data(), whole.size());
    ::close(fd);
  }
  errno = saved_errno;
}

}  // namespace install::platform
