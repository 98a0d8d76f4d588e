#include "config/edit_request.h"

#include "install.h"
#include "platform/call_notes.h"

namespace install {

std::int32_t CheckEditRequest(const void* path, const void* operand, bool has_separator) {
  if (path == nullptr) {
    platform::NoteFailure("read the request", "it names no file");
    return INSTALL_EDIT_NOT_READABLE;
  }
  if (operand == nullptr) {
    platform::NoteFailure("read the request", has_separator ? "nothing follows the file's \"*\""
                                                            : "no \"*\" after the file's path");
    return INSTALL_EDIT_FILE_FAILED;
  }
  return INSTALL_EDIT_DONE;
}

std::int32_t EditFileFailed(const char* step, const platform::Status& status) {
  platform::NoteFailure(step, status);
  return INSTALL_EDIT_FILE_FAILED;
}

}  // namespace install
