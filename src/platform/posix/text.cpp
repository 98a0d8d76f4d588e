#include "platform/text.h"

namespace install::platform {

// Bytes in, bytes out: file names and commands on POSIX are bytes, and what
// the caller gives is what the system gets.
Status TextFromCaller(std::string_view given, std::string* text) {
  text->assign(given);
  return Status{};
}

}  // namespace install::platform
