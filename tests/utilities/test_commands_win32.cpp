#include "test_commands.h"

namespace install::testing {

std::string ProgramCreating(const std::string& marker) { return "cmd /c echo made> " + marker; }

}  // namespace install::testing
