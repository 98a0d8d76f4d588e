// Commands and program starts without a shell where none is asked for, and
// without touching the host's signal handling: the host may have its own
// SIGCHLD handler, or ignore SIGCHLD, and must find both as it left them.
#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/call_notes.h"
#include "platform/posix/error.h"
#include "platform/posix/handles.h"

extern char** environ;

namespace install::platform {
namespace {

constexpr const char* kShellPath = "/bin/sh";
constexpr const char* kShellName = "sh";
constexpr const char* kShellCommandOption = "-c";
// Ends the shell's options, so that a command beginning with "-" is run,
// not read as one.
constexpr const char* kEndOfOptions = "--";
constexpr int kSignalExitBase = 128;
// What the shell exits with when it cannot find, or cannot run, the command.
constexpr int kShellCommandNotFound = 127;
constexpr int kShellCommandNotRunnable = 126;
// What a child that could not become the program exits with; nobody reads
// it, the error goes through the pipe.
constexpr int kChildFailedExit = 127;
constexpr unsigned kFirstInheritableFd = 3;
// Where the kernel lists a process's open descriptors, one name each.
constexpr const char* kOwnDescriptorsFolder = "/proc/self/fd";
constexpr std::size_t kDescriptorListingBytes = 4096;
constexpr const char* kPathVariable = "PATH";
constexpr char kPathListSeparator = ':';
constexpr char kDirectorySeparator = '/';
constexpr const char* kRootDirectory = "/";
constexpr const char* kCurrentDirectory = ".";
// Where a bare name is looked for when PATH is not set at all.
constexpr const char* kDefaultSearchPath = "/bin:/usr/bin";

class SpawnAttributes {
 public:
  SpawnAttributes() { ok_ = ::posix_spawnattr_init(&attributes_) == 0; }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  ~SpawnAttributes() {
    if (ok_) ::posix_spawnattr_destroy(&attributes_);
  }

  // The command starts with no signal blocked or ignored, whatever the
  // calling thread has blocked and the host ignores.
  bool ResetSignals() {
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    return ok_ && ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
           ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
           ::posix_spawnattr_setflags(&attributes_,
                                      POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
  }

  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
  bool ok_ = false;
};

// Waits for `pid`; the wait status, or -1 with errno set.
int WaitFor(pid_t pid) {
  int status = 0;
  for (;;) {
    if (::waitpid(pid, &status, 0) >= 0) return status;
    if (errno != EINTR) return -1;
  }
}

int ExitCodeOf(int wait_status) {
  if (WIFSIGNALED(wait_status)) return kSignalExitBase + WTERMSIG(wait_status);
  return WEXITSTATUS(wait_status);
}

// The files a program name may mean, in the order the system tries them: a
// name with a slash is a path; a bare name is looked up along PATH, an empty
// element of it meaning the current directory.
std::vector<std::string> CandidateFiles(const std::string& program) {
  if (program.find(kDirectorySeparator) != std::string::npos) return {program};
  std::vector<std::string> candidates;
  const char* search = std::getenv(kPathVariable);
  std::string path_list = search != nullptr ? search : kDefaultSearchPath;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = path_list.find(kPathListSeparator, start);
    std::string directory = path_list.substr(start, end - start);
    candidates.push_back((directory.empty() ? kCurrentDirectory : directory) + kDirectorySeparator +
                         program);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return candidates;
}

// In the child, after fork (async-signal-safe calls only): marks `fd`
// close-on-exec when it is above the standard streams.
void KeepFromProgram(int fd) {
  if (fd >= static_cast<int>(kFirstInheritableFd)) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Marks every descriptor above the standard streams close-on-exec, in the
// child after fork. close_range does it in one call, but kernels before 5.11
// lack it and container filters may refuse it (ENOSYS, EPERM, EINVAL); then
// each open descriptor is marked as the kernel lists them, or, with no /proc,
// every number below the descriptor limit. Nothing is closed here: the error
// pipe must stay usable until the exec succeeds.
void KeepDescriptorsFromProgram() {
  if (::close_range(kFirstInheritableFd, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
  const UniqueFd listing(::open(kOwnDescriptorsFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (listing) {
    alignas(struct dirent64) char buffer[kDescriptorListingBytes];
    ssize_t got;
    while ((got = ::getdents64(listing.get(), buffer, sizeof buffer)) > 0) {
      for (ssize_t at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
        at += entry->d_reclen;
        int fd = 0;
        const char* digit = entry->d_name;
        for (; *digit >= '0' && *digit <= '9'; ++digit) fd = fd * 10 + (*digit - '0');
        if (digit != entry->d_name && *digit == '\0') KeepFromProgram(fd);
      }
    }
    if (got == 0) return;  // the listing's own descriptor is close-on-exec
  }
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  const rlim_t end = limit.rlim_cur == RLIM_INFINITY ? INT_MAX : limit.rlim_cur;
  for (rlim_t fd = kFirstInheritableFd; fd < end; ++fd) KeepFromProgram(static_cast<int>(fd));
}

// In the grandchild, after fork: async-signal-safe calls only. Tries each
// candidate as execvp would and reports why none could be run. Along PATH,
// a folder that may not be searched hides nothing that can be run: the
// program counts as not found there, and as refused only where it is seen.
[[noreturn]] void ExecOrReport(const std::vector<char*>& files, bool searched, char* const* argv,
                               int error_fd) {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    ::signal(signal_number, SIG_DFL);
  }
  // A started program holds none of the host's files open, as on Windows,
  // where a started program inherits no handles.
  KeepDescriptorsFromProgram();
  int error = ENOENT;
  bool denied = false;
  for (char* file : files) {
    ::execve(file, argv, environ);
    error = errno;
    struct stat info;
    if (error == EACCES && searched && ::stat(file, &info) != 0) error = ENOENT;
    if (error == EACCES) denied = true;
    if (error != ENOENT && error != ENOTDIR && error != EACCES) break;
  }
  if (denied && (error == ENOENT || error == ENOTDIR)) error = EACCES;
  ssize_t ignored = ::write(error_fd, &error, sizeof error);
  (void)ignored;
  ::_exit(kChildFailedExit);
}

bool DirectoryExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Why a program could not be started, in the terms the Windows loader uses.
Status StartFailure(int error, const std::string& program) {
  switch (error) {
    case ENOENT: {
      std::size_t slash = program.rfind(kDirectorySeparator);
      if (slash == std::string::npos ||
          DirectoryExists(slash == 0 ? kRootDirectory : program.substr(0, slash))) {
        return Status{Error::kNotFound, error};
      }
      return Status{Error::kPathNotFound, error};
    }
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return Status{Error::kPathNotFound, error};
    case EACCES:
    case ENOEXEC:
    case EISDIR:
      return Status{Error::kNotExecutable, error};
    case EAGAIN:
    case ENOMEM:
    case EMFILE:
    case ENFILE:
      return Status{Error::kNoResources, error};
    default:
      return StatusFromErrno(error);
  }
}

}  // namespace

Status RunShellCommand(const char* command, int* exit_code) {
  SpawnAttributes attributes;
  if (!attributes.ResetSignals()) return Status{Error::kNoResources, 0};
  std::string text = command;
  char* argv[] = {const_cast<char*>(kShellName), const_cast<char*>(kShellCommandOption),
                  const_cast<char*>(kEndOfOptions), text.data(), nullptr};
  pid_t pid = 0;
  int error = ::posix_spawn(&pid, kShellPath, nullptr, attributes.get(), argv, environ);
  if (error != 0) return StatusFromErrno(error);
  int wait_status = WaitFor(pid);
  // When the host ignores SIGCHLD the system reaps the shell itself and its
  // exit code is lost; that is reported as a failure, never guessed.
  if (wait_status < 0) return LastErrnoStatus();
  *exit_code = ExitCodeOf(wait_status);
  if (*exit_code == kShellCommandNotFound) {
    NoteFailure("run the command", "exit code 127: the shell found no such command");
  } else if (*exit_code == kShellCommandNotRunnable) {
    NoteFailure("run the command", "exit code 126: the shell could not run the command");
  }
  return Status{};
}

// The program is started by a short-lived middle child, which the call
// reaps before returning; the program itself becomes a child of init (or of
// the nearest subreaper), so no zombie is left with the host and no SIGCHLD
// handling is needed. Whether the exec succeeded comes back through a
// close-on-exec pipe: end of file means it did, an errno value means it did
// not.
Status StartProgram(const char* /*command_line*/, const std::vector<std::string>& arguments) {
  if (arguments.empty() || arguments[0].empty()) return Status{Error::kNotFound, ENOENT};
  // Everything the children need is built before fork: after it, only
  // async-signal-safe calls are allowed.
  std::vector<std::string> candidates = CandidateFiles(arguments[0]);
  const bool searched = arguments[0].find(kDirectorySeparator) == std::string::npos;
  std::vector<char*> files;
  for (std::string& candidate : candidates) files.push_back(candidate.data());
  std::vector<std::string> words = arguments;
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return StartFailure(errno, arguments[0]);
  UniqueFd reader(pipe_fds[0]);
  UniqueFd writer(pipe_fds[1]);

  pid_t middle = ::fork();
  if (middle < 0) return StartFailure(errno, arguments[0]);
  if (middle == 0) {
    pid_t program = ::fork();
    if (program == 0) ExecOrReport(files, searched, argv.data(), writer.get());
    if (program < 0) {
      int error = errno;
      ssize_t ignored = ::write(writer.get(), &error, sizeof error);
      (void)ignored;
    }
    ::_exit(0);
  }
  writer.reset();
  // ECHILD here means the host's own SIGCHLD handling reaped the middle
  // child first, which is just as good.
  WaitFor(middle);

  int error = 0;
  ssize_t got;
  do {
    got = ::read(reader.get(), &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof error)) return StartFailure(error, arguments[0]);
  return Status{};
}

}  // namespace install::platform
