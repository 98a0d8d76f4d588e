#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/platform.h"

namespace install::platform {
namespace {

constexpr mode_t kLogFileMode = 0644;
constexpr std::size_t kTimestampCapacity = 64;

}  // namespace

bool GetEnvironmentValue(const char* name, std::string* value) {
  const char* found = std::getenv(name);
  if (found == nullptr || found[0] == '\0') return false;
  *value = found;
  return true;
}

std::string UtcTimestamp() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm utc{};
  ::gmtime_r(&now.tv_sec, &utc);
  char text[kTimestampCapacity];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                now.tv_nsec / 1000000L);
  return text;
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
