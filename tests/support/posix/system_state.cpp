#include "support/system_state.h"

#include <sys/stat.h>

#include <cerrno>

namespace install::testing {

int LastSystemError() { return errno; }

bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

}  // namespace install::testing
