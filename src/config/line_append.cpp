#include "config/line_append.h"

#include <string>

#include "config/edit_file.h"
#include "config/edit_request.h"
#include "config/host_text.h"
#include "install.h"
#include "platform/call_notes.h"
#include "platform/edit.h"
#include "platform/files.h"

namespace install {
namespace {

// Takes back what this call wrote after a failed write, flush or close. The
// file must be just as long as before plus those bytes: otherwise another
// writer came in between (or the size cannot be known), and cutting would
// take its bytes too, so the file is left as it is. If even this fails
// there is nothing better to do than report the failure the caller is
// already returning.
void CutBack(platform::FileEdit* edit, std::uint64_t former_length, std::size_t written) {
  if (written == 0) return;
  platform::File* file = &edit->file();
  if (!file->is_open() && !edit->ReopenFile().ok()) return;
  std::uint64_t length = 0;
  if (!file->GetSize(&length).ok() || length != former_length + written) {
    platform::NoteFact("the file changed meanwhile and was left as it is");
    return;
  }
  file->Truncate(former_length);
  file->Close();
}

}  // namespace

std::int32_t AppendLine(const char* path, const char* text) {
  platform::Status status = platform::CheckReadable(path);
  if (!status.ok()) {
    platform::NoteFailure("find the file", status);
    return INSTALL_EDIT_NOT_READABLE;
  }

  platform::FileEdit edit;
  const std::int32_t opened = BeginEdit(path, platform::EditKind::kAppend, &edit);
  if (opened != INSTALL_EDIT_DONE) return opened;
  platform::File& file = edit.file();
  std::uint64_t former_length = 0;
  status = file.GetSize(&former_length);
  if (!status.ok()) return EditFileFailed("measure the file", status);

  platform::TextBuffer bytes;
  if (!AppendHostText(text, &bytes) || !bytes.Append(kHostLineEnd)) {
    platform::NoteFailure("assemble the line", platform::kOutOfMemory);
    return INSTALL_EDIT_FILE_FAILED;
  }

  const char* step = "write the line";
  std::size_t written = 0;
  status = file.Append(bytes.data(), bytes.size(), &written);
  if (status.ok()) {
    step = "flush the file";
    status = file.Sync();
  }
  if (status.ok()) {
    step = "close the file";
    status = file.Close();
  }
  if (!status.ok()) {
    CutBack(&edit, former_length, written);
    return EditFileFailed(step, status);
  }
  return INSTALL_EDIT_DONE;
}

}  // namespace install
