#include "config/line_append.h"

#include <string>

#include "config/host_text.h"
#include "install.h"
#include "platform/platform.h"

namespace install {
namespace {

// Puts the file back to the length it had before the append. Used after a
// failed write or close; if even this fails there is nothing better to do
// than report the failure the caller is already returning.
void RestoreLength(const char* path, platform::File* file, std::uint64_t length) {
  if (!file->is_open() && !platform::File::OpenExistingForAppend(path, file).ok()) return;
  file->Truncate(length);
  file->Close();
}

}  // namespace

std::int32_t AppendLine(const char* path, const char* text) {
  if (!platform::IsReadable(path)) return INSTALL_EDIT_NOT_READABLE;

  platform::File file;
  if (!platform::File::OpenExistingForAppend(path, &file).ok()) return INSTALL_EDIT_FILE_FAILED;
  std::uint64_t former_length = 0;
  if (!file.GetSize(&former_length).ok()) return INSTALL_EDIT_FILE_FAILED;

  std::string bytes;
  AppendHostText(text, &bytes);
  bytes.append(kHostLineEnd);

  platform::Status status = file.Append(bytes.data(), bytes.size());
  if (status.ok()) status = file.Sync();
  if (status.ok()) status = file.Close();
  if (!status.ok()) {
    RestoreLength(path, &file, former_length);
    return INSTALL_EDIT_FILE_FAILED;
  }
  return INSTALL_EDIT_DONE;
}

}  // namespace install
