#include "platform/call_notes.h"

namespace install::platform {
namespace {

constexpr char kFactSeparator[] = "; ";

// Per thread, like the module context: calls on different threads keep
// their own notes.
thread_local CallNotes* t_current_notes = nullptr;

}  // namespace

CallNotes::CallNotes() : outer_(t_current_notes) { t_current_notes = this; }

CallNotes::~CallNotes() { t_current_notes = outer_; }

void NoteFailure(const char* step, const Status& status) {
  if (t_current_notes == nullptr || !t_current_notes->failed_step().empty()) return;
  NoteFailure(step, DescribeError(status).c_str());
}

void NoteFailure(const char* step, const char* reason) {
  CallNotes* notes = t_current_notes;
  if (notes == nullptr || !notes->failed_step_.empty()) return;
  notes->failed_step_ = step;
  notes->reason_ = reason;
}

void NoteFact(const std::string& fact) {
  CallNotes* notes = t_current_notes;
  if (notes == nullptr) return;
  if (!notes->facts_.empty()) notes->facts_ += kFactSeparator;
  notes->facts_ += fact;
}

bool IsNoting() { return t_current_notes != nullptr; }

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
