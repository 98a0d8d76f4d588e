#include "config/edit_file.h"

#include "config/temp_path.h"
#include "install.h"

namespace install {

std::int32_t BeginEdit(const char* path, platform::EditKind kind, platform::FileEdit* edit) {
  const platform::Status status =
      platform::FileEdit::Begin(path, kind, config::TemporaryPathFor, edit);
  return status.ok() ? INSTALL_EDIT_DONE : INSTALL_EDIT_FILE_FAILED;
}

}  // namespace install
