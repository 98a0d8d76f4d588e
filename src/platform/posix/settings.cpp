// The per-user settings store on POSIX: one human-readable file per
// application, ${XDG_CONFIG_HOME:-$HOME/.config}/<company>/<application>.conf.
// It holds personal data, so it is readable by its owner only.
#include "platform/settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/call_notes.h"
#include "platform/edit.h"
#include "platform/files.h"
#include "platform/posix/error.h"
#include "platform/posix/settings_file.h"

namespace install::platform {
namespace {

constexpr mode_t kPrivateDirMode = 0700;
constexpr char kFileSuffix[] = ".conf";
constexpr char kTempSuffix[] = ".tmp";
constexpr std::size_t kReadChunk = 4096;

// The XDG base folder; relative settings of XDG_CONFIG_HOME are to be
// ignored, as the base-directory convention says.
bool ConfigHome(std::string* folder) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    *folder = xdg;
    return true;
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') {
    const passwd* entry = ::getpwuid(::getuid());
    home = entry != nullptr ? entry->pw_dir : nullptr;
  }
  if (home == nullptr || home[0] != '/') return false;
  *folder = std::string(home) + "/.config";
  return true;
}

// Creates `path` and its missing parents, new ones private to the user.
Status MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (::mkdir(prefix.c_str(), kPrivateDirMode) != 0 && errno != EEXIST)
      return StatusFromErrno(errno);
    if (slash == std::string::npos) break;
  }
  return StatusFromErrno(0);
}

// A missing file reads as empty: the first write creates it.
Status ReadWhole(File* file, std::string* text) {
  text->clear();
  if (!file->is_open()) return Status{};
  char buffer[kReadChunk];
  for (;;) {
    std::size_t got = 0;
    const Status status = file->Read(buffer, sizeof buffer, &got);
    if (!status.ok() || got == 0) return status;
    text->append(buffer, got);
  }
}

std::string TemporaryName(std::string_view file_name) {
  return std::string(file_name) + kTempSuffix;
}

// Reads, changes and replaces the file in one edit, so that two processes
// writing different values at once both land (without it the later rename
// would drop the earlier value), and a reader or a crash sees the old file
// or the new one, never a part of either. The edit notes its own failing
// step; the store's note names the file and gives that step as the reason.
Status EditSettings(const std::string& path, const char* section, const char* name,
                    const char* value, std::string* reason) {
  CallNotes edit_notes;
  FileEdit edit;
  Status status = FileEdit::Begin(path.c_str(), EditKind::kCreateOrRewrite, TemporaryName, &edit);
  std::string text;
  if (status.ok() && !(status = ReadWhole(&edit.file(), &text)).ok())
    NoteFailure("read the file", status);
  if (status.ok()) {
    if (text.empty()) text = settings_file::kNewFileHeader;
    text = settings_file::WithValue(text, section, name, value);
    status = edit.CreateReplacement();
  }
  File& temp = edit.replacement();
  if (status.ok() && !(status = temp.Append(text.data(), text.size())).ok())
    NoteFailure("write the temporary file", status);
  if (status.ok() && !(status = temp.Sync()).ok()) NoteFailure("flush the temporary file", status);
  if (status.ok() && !(status = temp.Close()).ok()) NoteFailure("close the temporary file", status);
  if (status.ok()) status = edit.Commit();
  if (!status.ok() && !edit_notes.failed_step().empty())
    *reason = edit_notes.failed_step() + ": " + edit_notes.reason();
  return status;
}

struct SettingsPaths {
  std::string folder;
  std::string file;
};

bool PathsFor(const SettingsKey& key, SettingsPaths* paths) {
  std::string home;
  if (!ConfigHome(&home)) return false;
  paths->folder = home + "/" + key.company;
  paths->file = paths->folder + "/" + key.application + kFileSuffix;
  return true;
}

// For the diagnostic log: which file or folder a failed write was at, since
// where the store lives depends on the environment.
Status NotedAt(const char* step, const std::string& path, Status status) {
  if (!status.ok() && IsNoting()) NoteFailure((step + path).c_str(), status);
  return status;
}

}  // namespace

Status WriteUserSetting(const SettingsKey& key, const char* section, const char* name,
                        const char* value) {
  SettingsPaths paths;
  if (!PathsFor(key, &paths)) {
    NoteFailure("find the settings folder", "no absolute XDG_CONFIG_HOME, HOME or home folder");
    return StatusFromErrno(ENOENT);
  }
  Status status = NotedAt("create the settings folder ", paths.folder, MakeFolders(paths.folder));
  if (!status.ok()) return status;

  std::string reason;
  status = EditSettings(paths.file, section, name, value, &reason);
  if (!status.ok() && IsNoting())
    NoteFailure(("write the settings file " + paths.file).c_str(), reason.c_str());
  return status;
}

Status ReadUserSettingForTesting(const SettingsKey& key, const char* section, const char* name,
                                 std::string* value) {
  SettingsPaths paths;
  if (!PathsFor(key, &paths)) return StatusFromErrno(ENOENT);
  std::string text;
  File file;
  Status status = File::OpenForReading(paths.file.c_str(), &file);
  if (status.ok()) status = ReadWhole(&file, &text);
  if (!status.ok()) return status;
  if (!settings_file::FindValue(text, section, name, value)) return StatusFromErrno(ENOENT);
  return status;
}

}  // namespace install::platform
