#include "utilities_tables.h"

namespace install::testing {

std::string ProgramWriting(const std::string& marker) {
  return "cmd /c ping -n 3 127.0.0.1 > nul & echo made> " + marker;
}

}  // namespace install::testing
