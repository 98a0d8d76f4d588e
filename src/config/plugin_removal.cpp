#include "config/plugin_removal.h"

#include <memory>
#include <string>

#include "config/edit_request.h"
#include "config/plugin_ref_filter.h"
#include "config/temp_path.h"
#include "install.h"
#include "platform/call_notes.h"
#include "platform/platform.h"
#include "platform/scope_exit.h"

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
    case config::PluginRefFilter::Outcome::kOutputFailed:
      break;
  }
  return INSTALL_EDIT_FILE_FAILED;
}

std::int32_t CopyWithoutPlugin(platform::File* input, platform::File* output,
                               const char* plugin_name) {
  FileSink sink(output);
  config::PluginRefFilter filter(plugin_name, &sink);
  std::unique_ptr<char[]> buffer(new char[config::kRewriteBlockSize]);
  for (;;) {
    std::size_t size = 0;
    const platform::Status status = input->Read(buffer.get(), config::kRewriteBlockSize, &size);
    if (!status.ok()) return EditFileFailed("read the file", status);
    if (size == 0 || !filter.Feed(buffer.get(), size)) break;
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
  // Creating the temporary would empty the file itself where names ignore
  // letter case; refusing keeps it whole on every platform.
  if (config::IsOwnTemporaryName(path)) {
    platform::NoteFailure("name the temporary file", "the file has the temporary's own name");
    return INSTALL_EDIT_FILE_FAILED;
  }
  const std::string temporary = config::TemporaryPathFor(path);
  if (temporary.size() > config::kMaxPathLength) {
    platform::NoteFailure("name the temporary file", "its path is too long");
    return INSTALL_EDIT_FILE_FAILED;
  }

  platform::File input;
  status = platform::File::OpenForReading(path, &input);
  if (!status.ok()) return EditFileFailed("open the file", status);
  platform::File output;
  status = platform::File::CreateReplacing(temporary.c_str(), &output);
  if (!status.ok()) return EditFileFailed("create the temporary file", status);
  ScopeExit discard_temporary([&] {
    output = platform::File();
    platform::RemoveFile(temporary.c_str());
  });
  status = output.CopyAccessFrom(input);
  if (!status.ok()) return EditFileFailed("copy the file's permissions", status);

  const std::int32_t result = CopyWithoutPlugin(&input, &output, plugin_name);
  if (result != INSTALL_EDIT_DONE) return result;
  // The copy must be on disk before its name replaces the original's, or a
  // power cut could leave the path naming an empty file.
  status = output.Sync();
  if (!status.ok()) return EditFileFailed("flush the temporary file", status);
  status = output.Close();
  if (!status.ok()) return EditFileFailed("close the temporary file", status);
  // Windows will not replace a file that is still open.
  input = platform::File();
  status = platform::ReplaceAtomically(temporary.c_str(), path);
  if (!status.ok()) return EditFileFailed("replace the file", status);
  discard_temporary.Release();
  return INSTALL_EDIT_DONE;
}

}  // namespace install
