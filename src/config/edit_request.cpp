#include "config/edit_request.h"

#include "install.h"
#include "platform/call_notes.h"

namespace install {

constexpr char kRequestSeparator = '*';

EditRequest SplitEditRequest(char* text) {
  EditRequest request;
  if (text == nullptr) return request;
  while (*text == kRequestSeparator) ++text;
  if (*text == '\0') return request;
  request.path = text;
  while (*text != '\0' && *text != kRequestSeparator) ++text;
  if (*text == kRequestSeparator) {
    request.has_separator = true;
    *text = '\0';
    if (text[1] != '\0') request.operand = text + 1;
  }
  return request;
}

std::int32_t EditFileFailed(const char* step, const platform::Status& status) {
  platform::NoteFailure(step, status);
  return INSTALL_EDIT_FILE_FAILED;
}

std::int32_t RunEditRequest(char* text, EditOperation operation) {
  const EditRequest request = SplitEditRequest(text);
  if (request.path == nullptr) {
    platform::NoteFailure("read the request", "it names no file");
    return INSTALL_EDIT_NOT_READABLE;
  }
  if (request.operand == nullptr) {
    platform::NoteFailure("read the request", request.has_separator
                                                  ? "nothing follows the file's \"*\""
                                                  : "no \"*\" after the file's path");
    return INSTALL_EDIT_FILE_FAILED;
  }
  return operation(request.path, request.operand);
}

}  // namespace install
