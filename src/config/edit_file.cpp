#include "config/edit_file.h"

#include "config/edit_request.h"
#include "install.h"
#include "platform/call_notes.h"

namespace install {

std::int32_t OpenForEdit(const char* path, FileOpener open, const char* open_step,
                         platform::EditLock* lock, platform::File* file, std::string* final_path) {
  platform::Status status = platform::FinalPath(path, final_path);
  if (!status.ok()) return EditFileFailed("follow the link", status);
  status = platform::EditLock::Take(final_path->c_str(), lock);
  if (!status.ok()) return EditFileFailed("wait for another edit in the folder", status);
  status = open(final_path->c_str(), file);
  if (!status.ok()) return EditFileFailed(open_step, status);
  platform::FileKind kind = platform::FileKind::kOther;
  status = file->GetKind(&kind);
  if (!status.ok()) return EditFileFailed("check the file", status);
  if (kind == platform::FileKind::kRegular) return INSTALL_EDIT_DONE;
  platform::NoteFailure("check the file", kind == platform::FileKind::kDirectory
                                              ? "it is a folder"
                                              : "it is not a regular file");
  return INSTALL_EDIT_FILE_FAILED;
}

}  // namespace install
