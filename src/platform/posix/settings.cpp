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

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "platform/posix/error.h"
#include "platform/posix/settings_file.h"

namespace install::platform {
namespace {

constexpr mode_t kPrivateDirMode = 0700;
constexpr mode_t kPrivateFileMode = 0600;
constexpr char kFileSuffix[] = ".conf";
constexpr char kTempSuffix[] = ".XXXXXX";
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
  // Closes now, for the callers to whom a failing close matters.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd);
  }

 private:
  int fd_;
};

// Removes the temporary file on every way out but the successful rename.
class TempFileGuard {
 public:
  explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  ~TempFileGuard() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  void Release() { path_.clear(); }

 private:
  std::string path_;
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

Status ReadWhole(const std::string& path, std::string* text) {
  text->clear();
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno == ENOENT ? StatusFromErrno(0) : StatusFromErrno(errno);
  Status injected;
  if (TakeInjectedFault(FaultPoint::kRead, &injected)) return injected;
  char buffer[kReadChunk];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got == 0) return StatusFromErrno(0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    text->append(buffer, static_cast<std::size_t>(got));
  }
}

Status WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  Status injected;
  if (TakeInjectedFault(FaultPoint::kWrite, &injected)) {
    // A disk that fills up part-way through.
    (void)!::write(fd, text.data(), text.size() / 2);
    return injected;
  }
  while (done < text.size()) {
    const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return StatusFromErrno(errno);
    }
    done += static_cast<std::size_t>(put);
  }
  return StatusFromErrno(0);
}

// Writes `text` to a new private file beside `path` and renames it into
// place, so that a reader (or a crash) sees the old file or the new one and
// never a part of either.
Status ReplaceAtomically(int folder_fd, const std::string& path, const std::string& text) {
  std::string temp_path = path + kTempSuffix;
  UniqueFd temp(::mkostemp(&temp_path[0], O_CLOEXEC));
  if (temp.get() < 0) return StatusFromErrno(errno);
  TempFileGuard remove_temp(temp_path);
  // mkstemp creates it 0600 already; the mode is part of the contract, so it
  // is set rather than assumed.
  if (::fchmod(temp.get(), kPrivateFileMode) != 0) return StatusFromErrno(errno);

  Status status = WriteAll(temp.get(), text);
  if (!status.ok()) return status;
  if (TakeInjectedFault(FaultPoint::kSync, &status)) return status;
  if (::fsync(temp.get()) != 0) return StatusFromErrno(errno);
  if (TakeInjectedFault(FaultPoint::kClose, &status)) return status;
  if (temp.Close() != 0) return StatusFromErrno(errno);
  if (TakeInjectedFault(FaultPoint::kReplace, &status)) return status;
  if (::rename(temp_path.c_str(), path.c_str()) != 0) return StatusFromErrno(errno);
  remove_temp.Release();
  // The rename itself must survive a crash too.
  ::fsync(folder_fd);
  return StatusFromErrno(0);
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

}  // namespace

Status WriteUserSetting(const SettingsKey& key, const char* section, const char* name,
                        const char* value) {
  SettingsPaths paths;
  if (!PathsFor(key, &paths)) return StatusFromErrno(ENOENT);
  Status status = MakeFolders(paths.folder);
  if (!status.ok()) return status;

  // Read, change and replace under one lock on the folder, so that two
  // processes writing different values at once both land: without it the
  // later rename would drop the value of the earlier one.
  UniqueFd folder(::open(paths.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) return StatusFromErrno(errno);
  while (::flock(folder.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return StatusFromErrno(errno);
  }

  std::string text;
  status = ReadWhole(paths.file, &text);
  if (!status.ok()) return status;
  if (text.empty()) text = settings_file::kNewFileHeader;
  text = settings_file::WithValue(text, section, name, value);
  // The lock is released when the folder descriptor closes.
  return ReplaceAtomically(folder.get(), paths.file, text);
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
