// The text argument of the configuration-editing exports: a configuration
// file path, "*", and an operand (a plug-in name, or the line to append).
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace install {

struct EditRequest {
  const char* path = nullptr;     // null: the request names no file
  const char* operand = nullptr;  // null: no "*" after the path, or nothing after it
  bool has_separator = false;     // a "*" ends the path
};

// Splits `text` in place. Leading "*" are skipped; the first "*" after the
// path becomes a zero byte, so the caller's buffer then reads as the path
// alone; every later "*" belongs to the operand. `text` may be null.
EditRequest SplitEditRequest(char* text);

// The file work behind one of the editing exports.
using EditOperation = std::int32_t (*)(const char* path, const char* operand);

// Splits the request and hands it to `operation`. A request that names no
// file is answered INSTALL_EDIT_NOT_READABLE, one without an operand
// INSTALL_EDIT_FILE_FAILED; no file is touched for either.
std::int32_t RunEditRequest(char* text, EditOperation operation);

// Notes what failed for the diagnostic log and answers
// INSTALL_EDIT_FILE_FAILED.
std::int32_t EditFileFailed(const char* step, const platform::Status& status);

}  // namespace install
