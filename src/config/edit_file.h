// Opening the file an edit works on: the file a link leads to, with the edit
// lock of its folder held, and only if it is a regular file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/edit.h"

namespace install {

using FileOpener = platform::Status (*)(const char* path, platform::File* out);

// Follows `path` to the file itself (`final_path`), takes the edit lock of
// its folder (`lock`), opens the file with `open` (a failure noted as
// `open_step`) and refuses anything but a regular file, by asking the opened
// handle. Returns INSTALL_EDIT_DONE, or INSTALL_EDIT_FILE_FAILED with the
// reason noted.
std::int32_t OpenForEdit(const char* path, FileOpener open, const char* open_step,
                         platform::EditLock* lock, platform::File* file, std::string* final_path);

}  // namespace install
