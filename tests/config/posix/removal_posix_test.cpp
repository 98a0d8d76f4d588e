// What only POSIX can set up: paths that are not files, another owner,
// extended attributes and a reader without permission.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "config/line_append.h"
#include "config/plugin_removal.h"
#include "config/temp_path.h"
#include "platform/call_notes.h"
#include "platform/edit.h"
#include "platform/files.h"
#include "platform/posix/handles.h"
#include "support/system_state.h"
#include "support/test_files.h"

namespace install::testing {
namespace {

// A FIFO, a socket and a device are refused at once, before the leftover under
// the temporary's name is touched and without opening them (a terminal does
// not become the caller's), and an edit that another holds up too long
// gives up; an unreadable file answers 1 (tried as an
// unprivileged user when run as root); a file of another owner keeps its
// owner, group, mode and extended attributes (only as root).
TEST(EditFilesPosix, WhatIsNotAPlainFileOfTheCallersIsRefusedOrKeepsWhatItIs) {
  enum What { kFifo, kSocket, kDevice, kTerminal, kHeld, kUnreadable, kOtherOwner };
  const bool root = ::geteuid() == 0;
  if (!root) std::cout << "not root: no file of another owner can be made; those rows skipped\n";
  const std::string sample = "MDOP\r\nKey v\r\n";
  for (What what : {kFifo, kSocket, kDevice, kTerminal, kHeld, kUnreadable, kOtherOwner})
    for (auto operation : {AppendLine, RemovePluginRefs}) {
      if (what == kHeld && operation == RemovePluginRefs) continue;  // a 10-second wait
      SCOPED_TRACE(std::to_string(what) + (operation == AppendLine ? " append" : " remove"));
      if (what == kOtherOwner && !root) continue;
      TempFolder folder;
      const platform::UniqueFd terminal(::posix_openpt(O_RDWR | O_NOCTTY));
      ASSERT_TRUE(terminal && ::grantpt(terminal.get()) == 0 && ::unlockpt(terminal.get()) == 0);
      std::string file = what == kDevice     ? "/dev/null"
                         : what == kTerminal ? ::ptsname(terminal.get())
                                             : folder.File("host.cfg");
      WriteBytes(folder.File("host.TMP"), "another edit's");
      const platform::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM, 0));
      sockaddr_un address{AF_UNIX, {}};
      file.copy(address.sun_path, sizeof address.sun_path - 1);
      ASSERT_TRUE(what == kFifo     ? ::mkfifo(file.c_str(), 0644) == 0
                  : what == kSocket ? ::bind(socket.get(), reinterpret_cast<sockaddr*>(&address),
                                             sizeof address) == 0
                                    : true);
      if (what >= kHeld) WriteBytes(file, sample);
      platform::FileEdit held;  // by an edit that does not end
      ASSERT_TRUE(what != kHeld ||
                  platform::FileEdit::Begin(file.c_str(), platform::EditKind::kAppend,
                                            config::TemporaryPathFor, &held)
                      .ok());
      if (what == kUnreadable) ::chmod(file.c_str(), 0);
      ASSERT_TRUE(what != kOtherOwner || (::chown(file.c_str(), kNobody, kNobody) == 0 &&
                                          ::chmod(file.c_str(), 02640) == 0));
      const bool attributes =
          what == kOtherOwner && ::setxattr(file.c_str(), "user.a", "kept", 4, 0) == 0;
      const uid_t user = what == kUnreadable && root ? kNobody : 0;
      const std::int32_t result = InChild([&] {
        if (user != 0 && ::setuid(user) != 0) return 99;
        ::setsid();  // no controlling terminal: an open without O_NOCTTY would take one
        const std::int32_t answer = operation(file.c_str(), "v");
        return ::open("/dev/tty", O_RDONLY | O_NOCTTY) >= 0 ? 50 : answer;
      });
      EXPECT_FALSE(std::filesystem::exists("/dev/null.TMP"));
      if (what != kOtherOwner) {
        EXPECT_EQ(result, what == kUnreadable ? 1 : 6);
        // The held edit took the leftover's name for its lock.
        EXPECT_EQ(ReadBytes(folder.File("host.TMP")), what == kHeld ? "" : "another edit's");
        EXPECT_TRUE(what != kHeld || ReadBytes(file) == sample);
        continue;
      }
      EXPECT_EQ(result, 0);
      EXPECT_EQ(ReadBytes(file), operation == AppendLine ? sample + "v\r\n" : "MDOP \r\nKey v\r\n");
      struct stat info {};
      ::stat(file.c_str(), &info);
      EXPECT_EQ(std::to_string(info.st_uid) + ":" + std::to_string(info.st_gid), "65534:65534");
      EXPECT_EQ(info.st_mode & 07777, 02640u);
      char value[8] = {};
      EXPECT_EQ(::getxattr(file.c_str(), "user.a", value, sizeof value), attributes ? 4 : -1);
    }
}

const char* moved_to = nullptr;  // where the step hook moves the current folder
void MoveCurrentFolder() { ::chdir(moved_to); }

// A child that keeps `work` up until killed; its pid.
pid_t Keep(const std::function<void()>& work) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  ::alarm(30);
  work();
  ::_exit(0);
}

// Root edits in a folder a user can write, or an edit by that user: a link
// the user planted, a folder swapped for a link while edits run, locks the
// user takes with read rights alone, a folder the caller cannot list, a user
// namespace, a folder's default access list, set-ID bits, and the current
// folder changed in the middle of the call.
TEST(EditFilesPosix, NothingAUserCanDoInTheFolderSteersOrStallsAnEdit) {
  enum Row {
    kPlanted,
    kSwapped,
    kReaderLocks,
    kUnlistable,
    kNoNewFiles,
    kNamespace,
    kDefaultAcl,
    kSetId,
    kMoves
  };
  const bool root = ::geteuid() == 0;
  const unsigned user = root ? kNobody : ::geteuid();
  const std::string sample = "MDOP\r\nPlugin v\r\nKey v\r\n", rewritten = "MDOP \r\nKey v\r\n";
  for (Row row : {kPlanted, kSwapped, kReaderLocks, kUnlistable, kNoNewFiles, kNamespace,
                  kDefaultAcl, kSetId, kMoves}) {
    SCOPED_TRACE(row);
    if (!root && (row == kPlanted || row == kSwapped || row == kNamespace)) {
      std::cout << "row " << row << " skipped: it needs root to own files for another user\n";
      continue;
    }
    if (row == kNamespace && InChild([] { return ::unshare(CLONE_NEWUSER); }) != 0) {
      std::cout << "row " << row << " skipped: no user namespace here\n";
      continue;
    }
    TempFolder folder, other;  // the user's folder; one only root may write
    const std::string file = folder.File("host.cfg"), x = other.File("x");
    ::chmod(folder.path().c_str(), 0755);
    ::chmod(other.path().c_str(), 0755);
    WriteBytes(x, sample);
    WriteBytes(file, sample);
    std::vector<pid_t> helpers;
    if (row == kPlanted || row == kSwapped) {
      std::filesystem::remove(file);
      ::mkdir(folder.File("d").c_str(), 0755);
      WriteBytes(folder.File("d/x"), sample);
      ::symlink(row == kPlanted ? x.c_str() : "d/x", file.c_str());
      ::symlink(other.path().c_str(), folder.File("e").c_str());
      for (const char* name : {"host.cfg", "d", "d/x", "e"})
        ::lchown(folder.File(name).c_str(), user, user);
    }
    if (row == kSwapped) {
      const std::string d = folder.File("d"), e = folder.File("e");
      helpers.push_back(Keep([&] {
        if (::setgid(user) == 0 && ::setuid(user) == 0)
          for (;;) ::renameat2(AT_FDCWD, d.c_str(), AT_FDCWD, e.c_str(), RENAME_EXCHANGE);
      }));
    }
    // In the namespace the folder is root's, mapped; the file is nobody's.
    if (row != kNamespace) ::chown(folder.path().c_str(), user, user);
    ::lchown(file.c_str(), user, user);
    if (row == kReaderLocks) {
      int ends[2];
      ASSERT_EQ(::pipe(ends), 0);
      const platform::UniqueFd ready[] = {platform::UniqueFd(ends[0]), platform::UniqueFd(ends[1])};
      helpers.push_back(Keep([&] {
        const int held[] = {::open(folder.path().c_str(), O_RDONLY),
                            ::open(file.c_str(), O_RDONLY)};
        if (::setgid(user) != 0 || ::setuid(user) != 0) return;
        for (int fd : held) ::flock(fd, LOCK_EX);
        ::write(ready[1].get(), "!", 1);
        ::pause();
      }));
      char byte;
      ASSERT_EQ(::read(ready[0].get(), &byte, 1), 1);
    }
    if (row == kUnlistable) ::chmod(folder.path().c_str(), 0300);
    // A folder the user may not create files in: no rewrite, but an append
    // goes ahead without the lock, as `echo >>` would.
    if (row == kNoNewFiles) ::chmod(folder.path().c_str(), 0500);
    if (row == kSetId) ::chmod(file.c_str(), 06775);
    if (row == kDefaultAcl) {
      ::chmod(file.c_str(), 0640);
      const std::string command = "setfacl -d -m u:" + std::to_string(kNobody) + ":rw '" +
                                  folder.path().string() + "' 2>/dev/null";
      if (std::system(command.c_str()) != 0) {
        std::cout << "row " << row
                  << " skipped: setfacl is missing or the file system has no ACLs\n";
        continue;
      }
    }
    TempFolder elsewhere;
    WriteBytes(elsewhere.File("host.cfg"), sample);
    // As the user where the row is about what the user may do.
    const bool as_user =
        row == kUnlistable || row == kNoNewFiles || row == kSetId || row == kReaderLocks;
    platform::CallNotes notes;
    unsigned mode = 0;  // after the rewrite: an append by a user clears set-ID bits, as any write
    int answers[2] = {-1, -1}, tries = row == kSwapped ? 200 : 1;
    for (int i = 0; i < 2; ++i)
      for (int attempt = 0; attempt < tries; ++attempt) {
        const auto operation = i == 0 ? RemovePluginRefs : AppendLine;
        const char* operand = i == 0 ? "v" : "Key w";
        answers[i] = InChild([&] {
          if (as_user && root && (::setgid(user) != 0 || ::setuid(user) != 0)) return 99;
          if (row == kNamespace) {
            if (::unshare(CLONE_NEWUSER) != 0) return 98;
            WriteBytes("/proc/self/setgroups", "deny");
            WriteBytes("/proc/self/uid_map", "0 0 1");
            WriteBytes("/proc/self/gid_map", "0 0 1");
          }
          if (row != kMoves) return operation(file.c_str(), operand);
          moved_to = elsewhere.path().c_str();
          platform::SetEditStepHookForTesting(MoveCurrentFolder);
          return ::chdir(folder.path().c_str()) == 0 ? operation("host.cfg", operand) : 97;
        });
        if (row == kPlanted) answers[i] = operation(file.c_str(), operand);  // for the log
        struct stat info {};
        if (i == 0 && ::stat(file.c_str(), &info) == 0) mode = info.st_mode & 07777;
        EXPECT_TRUE(answers[i] == (row == kPlanted || (row == kNoNewFiles && i == 0) ? 6 : 0) ||
                    (row == kSwapped && answers[i] == 6))
            << answers[i];
      }
    for (pid_t helper : helpers) ::kill(helper, SIGKILL);
    for (pid_t helper : helpers) ::waitpid(helper, nullptr, 0);
    // Nothing outside the user's folder is created or changed.
    EXPECT_EQ(Listing(other.path()), std::set<std::string>{"x"});
    EXPECT_EQ(ReadBytes(x), sample);
    EXPECT_EQ(Listing(elsewhere.path()), std::set<std::string>{"host.cfg"});
    EXPECT_EQ(ReadBytes(elsewhere.File("host.cfg")), sample);
    if (row == kPlanted) {
      EXPECT_EQ(notes.failed_step(), "follow the link");
      continue;
    }
    if (row == kSwapped) continue;
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(ReadBytes(file), (row == kNoNewFiles ? sample : rewritten) + "Key w\r\n");
    EXPECT_EQ(Listing(folder.path()), std::set<std::string>{"host.cfg"});
    EXPECT_EQ(mode, row == kSetId ? 06775u : row == kDefaultAcl ? 0640u : 0644u);
    EXPECT_EQ(::getxattr(file.c_str(), "system.posix_acl_access", nullptr, 0), -1);
  }
}

}  // namespace
}  // namespace install::testing
