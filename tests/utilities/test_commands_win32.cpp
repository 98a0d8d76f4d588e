#include "test_commands.h"

namespace install::testing {

std::string ProgramWriting(const std::string& marker, int delay_seconds) {
  return "cmd /c ping -n " + std::to_string(delay_seconds + 1) + " 127.0.0.1 > nul & echo made> " +
         marker;
}

const char kNotAProgram[] = "C:\\windows\\win.ini";

}  // namespace install::testing
