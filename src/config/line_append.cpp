#include "config/line_append.h"

#include <string>

#include "config/edit_request.h"
#include "config/host_text.h"
#include "install.h"
#include "platform/call_notes.h"
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
  platform::Status status = platform::CheckReadable(path);
  if (!status.ok()) {
    platform::NoteFailure("find the file", status);
    return INSTALL_EDIT_NOT_READABLE;
  }

  platform::File file;
  status = platform::File::OpenExistingForAppend(path, &file);
  if (!status.ok()) return EditFileFailed("open the file for writing", status);
  std::uint64_t former_length = 0;
  status = file.GetSize(&former_length);
  if (!status.ok()) return EditFileFailed("measure the file", status);

  std::string bytes;
  AppendHostText(text, &bytes);
  bytes.append(kHostLineEnd);

  const char* step = "write the line";
  status = file.Append(bytes.data(), bytes.size());
  if (status.ok()) {
    step = "flush the file";
    status = file.Sync();
  }
  if (status.ok()) {
    step = "close the file";
    status = file.Close();
  }
  if (!status.ok()) {
    RestoreLength(path, &file, former_length);
    return EditFileFailed(step, status);
  }
  return INSTALL_EDIT_DONE;
}

}  // namespace install
