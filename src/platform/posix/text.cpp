#include "platform/text.h"

#include "platform/call_notes.h"

namespace install::platform {

// Bytes in, bytes out: file names and commands on POSIX are bytes, and what
// the caller gives is what the system gets.
Status TextFromCaller(std::string_view given, TextBuffer* text) {
  if (text->Assign(given)) return Status{};
  NoteFailure("copy the text", kOutOfMemory);
  return Status{Error::kNoResources, 0};
}

}  // namespace install::platform
