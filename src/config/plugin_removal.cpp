#include "config/plugin_removal.h"

#include <memory>
#include <string>

#include "config/plugin_ref_filter.h"
#include "platform/scope_exit.h"
#include "config/temp_path.h"
#include "install.h"
#include "platform/platform.h"

namespace install {
namespace {

class FileSink : public config::ByteSink {
 public:
  explicit FileSink(platform::File* file) : file_(file) {}
  bool Write(const char* data, std::size_t size) override { return file_->Append(data, size).ok(); }

 private:
  platform::File* file_;
};

std::int32_t ResultOf(config::PluginRefFilter::Outcome outcome) {
  switch (outcome) {
    case config::PluginRefFilter::Outcome::kDone:
      return INSTALL_EDIT_DONE;
    case config::PluginRefFilter::Outcome::kNotHostFile:
      return INSTALL_EDIT_NOT_HOST_FILE;
    case config::PluginRefFilter::Outcome::kBadSecondHeader:
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
    if (!input->Read(buffer.get(), config::kRewriteBlockSize, &size).ok()) {
      return INSTALL_EDIT_FILE_FAILED;
    }
    if (size == 0 || !filter.Feed(buffer.get(), size)) break;
  }
  return ResultOf(filter.Finish());
}

}  // namespace

std::int32_t RemovePluginRefs(const char* path, const char* plugin_name) {
  if (!platform::IsReadable(path)) return INSTALL_EDIT_NOT_READABLE;
  // Creating the temporary would empty the file itself where names ignore
  // letter case; refusing keeps it whole on every platform.
  if (config::IsOwnTemporaryName(path)) return INSTALL_EDIT_FILE_FAILED;
  const std::string temporary = config::TemporaryPathFor(path);
  if (temporary.size() > config::kMaxPathLength) return INSTALL_EDIT_FILE_FAILED;

  platform::File input;
  if (!platform::File::OpenForReading(path, &input).ok()) return INSTALL_EDIT_FILE_FAILED;
  platform::File output;
  if (!platform::File::CreateReplacing(temporary.c_str(), &output).ok()) {
    return INSTALL_EDIT_FILE_FAILED;
  }
  ScopeExit discard_temporary([&] {
    output = platform::File();
    platform::RemoveFile(temporary.c_str());
  });
  if (!output.CopyAccessFrom(input).ok()) return INSTALL_EDIT_FILE_FAILED;

  const std::int32_t result = CopyWithoutPlugin(&input, &output, plugin_name);
  if (result != INSTALL_EDIT_DONE) return result;
  // The copy must be on disk before its name replaces the original's, or a
  // power cut could leave the path naming an empty file.
  if (!output.Sync().ok() || !output.Close().ok()) return INSTALL_EDIT_FILE_FAILED;
  // Windows will not replace a file that is still open.
  input = platform::File();
  if (!platform::ReplaceAtomically(temporary.c_str(), path).ok()) return INSTALL_EDIT_FILE_FAILED;
  discard_temporary.Release();
  return INSTALL_EDIT_DONE;
}

}  // namespace install
