// The diagnostic log's needs (log.cpp of each backend; error texts in
// error.cpp).
#pragma once

#include <string>

#include "platform/status.h"

namespace install::platform {

// The system's own words for `status`, with its code: "Permission denied
// (errno 13)", "Access is denied. (error 5)". An error with no system code
// gets a plain description of its kind.
std::string DescribeError(const Status& status);

// The environment variable `name` as the process has it now (on Windows
// including what the host set with SetEnvironmentVariable); false when it
// is unset or empty.
bool GetEnvironmentValue(const char* name, std::string* value);

struct UtcTime {
  unsigned year, month, day, hour, minute, second, millisecond;
};
UtcTime CurrentUtcTime();
unsigned long CurrentProcessId();

// Appends `line` and a line end to the file at `path`, created if missing,
// with one write on a file opened for appending, so that lines from several
// processes never interleave. A failure is ignored, and errno (on Windows
// the last error) is left as it was: logging never shows in a call's result.
void AppendLogLine(const char* path, const std::string& line);

}  // namespace install::platform
