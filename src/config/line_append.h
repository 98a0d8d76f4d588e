#pragma once

#include <cstdint>

namespace install {

// Appends `text` and a line end to the existing file at `path`, in host text
// form. Returns INSTALL_EDIT_DONE, INSTALL_EDIT_NOT_READABLE (missing or not
// readable: nothing opened) or INSTALL_EDIT_FILE_FAILED (the file could not
// be opened, written or closed: what this call wrote is taken back, unless
// another writer came in between).
std::int32_t AppendLine(const char* path, const char* text);

}  // namespace install
