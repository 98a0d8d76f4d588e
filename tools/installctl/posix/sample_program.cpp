#include "demo.h"

namespace installctl {

std::string ProgramWritingFile(const std::string& file) {
  return "/bin/sh -c \"echo written by a started program > " + file + "\"";
}

}  // namespace installctl
