#include "platform/call_notes.h"

#include "platform/thread_slot.h"

namespace install::platform {
namespace {

constexpr char kFactSeparator[] = "; ";

// Per thread, like the module context: calls on different threads keep
// their own notes.
CallNotes* CurrentNotes() { return static_cast<CallNotes*>(GetThreadSlot(ThreadSlot::kCallNotes)); }

}  // namespace

CallNotes::CallNotes() : outer_(CurrentNotes()) { SetThreadSlot(ThreadSlot::kCallNotes, this); }

CallNotes::~CallNotes() { SetThreadSlot(ThreadSlot::kCallNotes, outer_); }

// Notes are short, fixed texts and the few words of a system's reason.
void NoteFailure(const char* step, const Status& status) noexcept {
  const CallNotes* notes = CurrentNotes();
  if (notes == nullptr || !notes->failed_step().empty()) return;
  NoteFailure(step, DescribeError(status).c_str());
}

void NoteFailure(const char* step, const char* reason) noexcept {
  CallNotes* notes = CurrentNotes();
  if (notes == nullptr || !notes->failed_step_.empty()) return;
  notes->failed_step_ = step;
  notes->reason_ = reason;
}

void NoteFact(const std::string& fact) noexcept {
  CallNotes* notes = CurrentNotes();
  if (notes == nullptr) return;
  if (!notes->facts_.empty()) notes->facts_ += kFactSeparator;
  notes->facts_ += fact;
}

bool IsNoting() noexcept { return CurrentNotes() != nullptr; }

std::string DescribeErrorKind(Error error) {
  switch (error) {
    case Error::kNone:
      return "no error";
    case Error::kNotFound:
      return "not found";
    case Error::kAccessDenied:
      return "access denied";
    case Error::kIsDirectory:
      return "is a directory";
    case Error::kNoSpace:
      return "no space left";
    case Error::kIo:
      return "input/output error";
    case Error::kPathNotFound:
      return "a folder on the path was not found";
    case Error::kNotExecutable:
      return "not a program the system can run";
    case Error::kNoResources:
      return "out of processes or memory";
    case Error::kOther:
      break;
  }
  return "failed";
}

}  // namespace install::platform
