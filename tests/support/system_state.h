// What a test needs of the system beyond files: the error code a call left
// behind, special files, and work run at once or apart from the test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace install::testing {

using Work = std::function<std::int32_t()>;

// errno on POSIX, GetLastError() on Windows, read at once.
int LastSystemError();

// Makes a FIFO at `path`; false where the system has none.
bool MakeFifo(const std::string& path);

// Runs both at once and stores their answers: in two processes on POSIX, on
// two threads on Windows (whose edit lock, a named mutex, is the same across
// processes; its -win32 runtime has no std::thread).
void RunTogether(const Work (&work)[2], std::int32_t answers[2]);

// POSIX only: the user a test may become to lose root's rights.
inline constexpr unsigned kNobody = 65534;

// POSIX only: `work` in a child process, killed if it blocks; its exit code,
// or minus the signal that ended it.
int InChild(const Work& work);

}  // namespace install::testing
