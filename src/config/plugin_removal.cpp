#include "config/plugin_removal.h"

#include <string>

#include "config/edit_file.h"
#include "config/edit_request.h"
#include "config/plugin_ref_filter.h"
#include "install.h"
#include "platform/call_notes.h"
#include "platform/edit.h"
#include "platform/files.h"

namespace install {
namespace {

class FileSink : public config::ByteSink {
 public:
  explicit FileSink(platform::File* file) : file_(file) {}
  bool Write(const char* data, std::size_t size) override {
    const platform::Status status = file_->Append(data, size);
    if (!status.ok()) platform::NoteFailure("write the temporary file", status);
    return status.ok();
  }

 private:
  platform::File* file_;
};

std::int32_t ResultOf(config::PluginRefFilter::Outcome outcome) {
  switch (outcome) {
    case config::PluginRefFilter::Outcome::kDone:
      return INSTALL_EDIT_DONE;
    case config::PluginRefFilter::Outcome::kNotHostFile:
      platform::NoteFailure("check the header", "the first line is neither ZKCO nor MDOP");
      return INSTALL_EDIT_NOT_HOST_FILE;
    case config::PluginRefFilter::Outcome::kBadSecondHeader:
      platform::NoteFailure("check the header", "ZKCO is not followed by a line 0");
      return INSTALL_EDIT_BAD_SECOND_HEADER;
    case config::PluginRefFilter::Outcome::kOutOfMemory:
      platform::NoteFailure("hold the file's lines", platform::kOutOfMemory);
      break;
    case config::PluginRefFilter::Outcome::kOutputFailed:
      break;
  }
  return INSTALL_EDIT_FILE_FAILED;
}

std::int32_t CopyWithoutPlugin(platform::File* input, platform::File* output,
                               const char* plugin_name) {
  FileSink sink(output);
  config::PluginRefFilter filter(plugin_name, &sink);
  platform::TextBuffer buffer;
  if (!buffer.Resize(config::kRewriteBlockSize)) {
    platform::NoteFailure("read the file", platform::kOutOfMemory);
    return INSTALL_EDIT_FILE_FAILED;
  }
  for (;;) {
    std::size_t size = 0;
    const platform::Status status = input->Read(buffer.data(), buffer.size(), &size);
    if (!status.ok()) return EditFileFailed("read the file", status);
    if (size == 0 || !filter.Feed(buffer.data(), size)) break;
  }
  return ResultOf(filter.Finish());
}

}  // namespace

std::int32_t RemovePluginRefs(const char* path, const char* plugin_name) {
  platform::Status status = platform::CheckReadable(path);
  if (!status.ok()) {
    platform::NoteFailure("find the file", status);
    return INSTALL_EDIT_NOT_READABLE;
  }
  // The edit refuses a file that would be its own temporary (which would
  // empty it where names ignore letter case), and a folder or a FIFO before
  // the temporary's name is touched.
  platform::FileEdit edit;
  std::int32_t result = BeginEdit(path, platform::EditKind::kRewrite, &edit);
  if (result != INSTALL_EDIT_DONE) return result;
  status = edit.CreateReplacement();
  if (!status.ok()) return INSTALL_EDIT_FILE_FAILED;

  platform::File& output = edit.replacement();
  result = CopyWithoutPlugin(&edit.file(), &output, plugin_name);
  if (result != INSTALL_EDIT_DONE) return result;
  // The copy must be on disk before its name replaces the original's, or a
  // power cut could leave the path naming an empty file.
  status = output.Sync();
  if (!status.ok()) return EditFileFailed("flush the temporary file", status);
  status = output.Close();
  if (!status.ok()) return EditFileFailed("close the temporary file", status);
  // The lock is held until the new file is in place, so an append waits for
  // the rewrite instead of going to the old file.
  if (!edit.Commit().ok()) return INSTALL_EDIT_FILE_FAILED;
  return INSTALL_EDIT_DONE;
}

}  // namespace install
