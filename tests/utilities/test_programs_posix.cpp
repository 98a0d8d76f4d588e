#include "utilities_tables.h"

namespace install::testing {

std::string ProgramWriting(const std::string& marker) {
  return "/bin/sh -c \"sleep 2; echo made > " + marker + "\"";
}

}  // namespace install::testing
