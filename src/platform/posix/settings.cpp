// The per-user settings store on POSIX: one human-readable file per
// application, ${XDG_CONFIG_HOME:-$HOME/.config}/<company>/<application>.conf.
// It holds personal data, so it is readable by its owner only.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/call_notes.h"
#include "platform/files.h"
#include "platform/backend_fs.h"
#include "platform/settings.h"
#include "platform/posix/error.h"
#include "platform/posix/settings_file.h"
#include "platform/scope_exit.h"

namespace install::platform {
namespace {

constexpr mode_t kPrivateDirMode = 0700;
constexpr char kFileSuffix[] = ".conf";
constexpr char kTempSuffix[] = ".tmp";
constexpr std::size_t kReadChunk = 4096;

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

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
Status ReadWhole(const std::string& path, std::string* text) {
  text->clear();
  File file;
  Status status = File::OpenForReading(path.c_str(), &file);
  if (!status.ok()) return status.error == Error::kNotFound ? Status{} : status;
  char buffer[kReadChunk];
  for (;;) {
    std::size_t got = 0;
    status = file.Read(buffer, sizeof buffer, &got);
    if (!status.ok() || got == 0) return status;
    text->append(buffer, got);
  }
}

// Writes `text` to a new owner-only file beside `path` and puts it in place
// in one step, so that a reader (or a crash) sees the old file or the new
// one and never a part of either. The folder lock makes the fixed temporary
// name safe.
Status WriteReplacing(const std::string& path, const std::string& text) {
  const std::string temp_path = path + kTempSuffix;
  File temp;
  Status status = File::CreateReplacing(temp_path.c_str(), &temp);
  if (!status.ok()) return status;
  ScopeExit remove_temp([&] {
    temp = File();
    RemoveFile(temp_path.c_str());
  });
  if (!(status = temp.Append(text.data(), text.size())).ok()) return status;
  if (!(status = temp.Sync()).ok()) return status;
  if (!(status = temp.Close()).ok()) return status;
  if (!(status = ReplaceAtomically(temp_path.c_str(), path.c_str())).ok()) return status;
  remove_temp.Release();
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

  // Read, change and replace under one lock on the folder, so that two
  // processes writing different values at once both land: without it the
  // later rename would drop the value of the earlier one.
  UniqueFd folder(::open(paths.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0)
    return NotedAt("open the settings folder ", paths.folder, LastErrnoStatus());
  while (::flock(folder.get(), LOCK_EX) != 0) {
    if (errno != EINTR)
      return NotedAt("lock the settings folder ", paths.folder, LastErrnoStatus());
  }

  std::string text;
  status = NotedAt("read the settings file ", paths.file, ReadWhole(paths.file, &text));
  if (!status.ok()) return status;
  if (text.empty()) text = settings_file::kNewFileHeader;
  text = settings_file::WithValue(text, section, name, value);
  // The lock is released when the folder descriptor closes.
  return NotedAt("write the settings file ", paths.file, WriteReplacing(paths.file, text));
}

Status ReadUserSettingForTesting(const SettingsKey& key, const char* section, const char* name,
                                 std::string* value) {
  SettingsPaths paths;
  if (!PathsFor(key, &paths)) return StatusFromErrno(ENOENT);
  std::string text;
  UniqueFd probe(::open(paths.file.c_str(), O_RDONLY | O_CLOEXEC));
  if (probe.get() < 0) return StatusFromErrno(errno);
  Status status = ReadWhole(paths.file, &text);
  if (!status.ok()) return status;
  if (!settings_file::FindValue(text, section, name, value)) return StatusFromErrno(ENOENT);
  return status;
}

}  // namespace install::platform
