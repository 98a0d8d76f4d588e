#include "test_commands.h"

namespace install::testing {

std::string ProgramWriting(const std::string& marker, int delay_seconds) {
  return "/bin/sh -c \"sleep " + std::to_string(delay_seconds) + "; echo made > " + marker + "\"";
}

const char kNotAProgram[] = "/etc/passwd";

}  // namespace install::testing
