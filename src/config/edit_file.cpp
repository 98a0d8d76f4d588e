#include "config/edit_file.h"

#include "config/edit_request.h"
#include "install.h"
#include "platform/call_notes.h"

namespace install {
namespace {

// Each retry means another edit of the same file ended in between.
constexpr int kOpenAttempts = 8;

}  // namespace

std::int32_t OpenForEdit(const char* path, FileOpener open, const char* open_step,
                         platform::File* file, std::string* final_path) {
  std::string target = path;
  for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
    platform::Status status = open(path, file);
    if (!status.ok()) return EditFileFailed(open_step, status);
    platform::FileKind kind = platform::FileKind::kOther;
    status = file->GetKind(&kind);
    if (!status.ok()) return EditFileFailed("check the file", status);
    if (kind != platform::FileKind::kRegular) {
      platform::NoteFailure("check the file", kind == platform::FileKind::kDirectory
                                                  ? "it is a folder"
                                                  : "it is not a regular file");
      return INSTALL_EDIT_FILE_FAILED;
    }
    if (final_path != nullptr) {
      status = file->FinalPath(path, &target);
      if (!status.ok()) return EditFileFailed("follow the link", status);
    }
    status = file->LockForEdit();
    if (!status.ok()) return EditFileFailed("wait for another edit of the file", status);
    bool same = false;
    status = file->IsAt(target.c_str(), &same);
    if (!status.ok()) return EditFileFailed("check the file", status);
    if (same) {
      if (final_path != nullptr) *final_path = target;
      return INSTALL_EDIT_DONE;
    }
    *file = platform::File();
  }
  platform::NoteFailure("open the file", "other edits kept replacing it");
  return INSTALL_EDIT_FILE_FAILED;
}

}  // namespace install
