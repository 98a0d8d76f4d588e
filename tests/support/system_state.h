// What a test needs of the system beyond files: the error code a call left
// behind, and special files.
#pragma once

#include <string>

namespace install::testing {

// errno on POSIX, GetLastError() on Windows, read at once.
int LastSystemError();

// Makes a FIFO at `path`; false where the system has none.
bool MakeFifo(const std::string& path);

}  // namespace install::testing
