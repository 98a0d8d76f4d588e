// Opening the file an edit works on: only a regular file, with the edit lock
// held, and the file that the path names once the lock is held.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace install {

using FileOpener = platform::Status (*)(const char* path, platform::File* out);

// Opens `path` with `open` (its failure noted as `open_step`), refuses what
// is not a regular file, and takes the edit lock. A lock waited for may come
// with a file that another edit has replaced meanwhile: then the new one is
// opened, a bounded number of times. `final_path` (may be null) receives the
// path of the file itself when `path` is a symbolic link. Returns
// INSTALL_EDIT_DONE, or INSTALL_EDIT_FILE_FAILED with the reason noted.
std::int32_t OpenForEdit(const char* path, FileOpener open, const char* open_step,
                         platform::File* file, std::string* final_path);

}  // namespace install
