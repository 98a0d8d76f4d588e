#include <utility>

#include "platform/files.h"
#include "platform/edit.h"
#include "platform/backend_fs.h"

// The parts of ReplacementFile that are the same on every system; each
// backend supplies Replace.
namespace install::platform {

Status ReplacementFile::Create(const char* path, ReplacementFile* out) {
  File file;
  const Status status = File::CreateReplacing(path, &file);
  if (!status.ok()) return status;
  out->file_ = std::move(file);
  out->path_ = path;
  return status;
}

ReplacementFile::~ReplacementFile() {
  file_ = File();
  if (!path_.empty()) RemoveFile(path_.c_str());
}

}  // namespace install::platform
