#include "support/system_state.h"

#include <windows.h>

namespace install::testing {

int LastSystemError() { return static_cast<int>(::GetLastError()); }

bool MakeFifo(const std::string&) { return false; }

}  // namespace install::testing
