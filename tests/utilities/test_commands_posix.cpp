#include "test_commands.h"

namespace install::testing {

std::string ProgramCreating(const std::string& marker) { return "touch " + marker; }

}  // namespace install::testing
