// What one export call ran into, for the diagnostic log: the first step that
// failed with the system's reason, and facts worth a line. The frame keeps
// notes only while the log is on; any layer notes things where they happen,
// and without notes kept that costs a test of one pointer.
#pragma once

#include <string>

#include "platform/log.h"

namespace install::platform {

class CallNotes {
 public:
  // The notes of this thread's current call until destroyed; the notes of
  // an outer call, if any, are current again then.
  CallNotes();
  ~CallNotes();
  CallNotes(const CallNotes&) = delete;
  CallNotes& operator=(const CallNotes&) = delete;

  const std::string& failed_step() const { return failed_step_; }
  const std::string& reason() const { return reason_; }
  const std::string& facts() const { return facts_; }

 private:
  friend void NoteFailure(const char* step, const char* reason) noexcept;
  friend void NoteFact(const std::string& fact) noexcept;

  CallNotes* outer_;
  std::string failed_step_;
  std::string reason_;
  std::string facts_;
};

// Only the first failure of a call is kept: what follows it is mostly
// clean-up after it. `step` says what the library was doing ("create the
// temporary file"); the reason is the system's (DescribeError) or the
// library's own.
void NoteFailure(const char* step, const Status& status) noexcept;
void NoteFailure(const char* step, const char* reason) noexcept;
// Facts must never carry personal data: say that a name was written and
// how long it was, never the name.
void NoteFact(const std::string& fact) noexcept;
// Whether anyone keeps notes now, to skip building a fact nobody reads.
bool IsNoting() noexcept;

// A plain description of an error that has no system code behind it.
std::string DescribeErrorKind(Error error);

}  // namespace install::platform
