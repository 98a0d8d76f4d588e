// Beginning the edit of a configuration file: the platform's FileEdit, with
// the configuration files' temporary name.
#pragma once

#include <cstdint>

#include "platform/edit.h"

namespace install {

// Begins `edit` of the file at `path` (see FileEdit::Begin). Returns
// INSTALL_EDIT_DONE, or INSTALL_EDIT_FILE_FAILED with the step noted.
std::int32_t BeginEdit(const char* path, platform::EditKind kind, platform::FileEdit* edit);

}  // namespace install
