// What only POSIX can set up: two processes at once, paths that are not
// files, another owner, extended attributes and a reader without permission.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <thread>

#include "config/edit_race.h"

namespace install::testing {
namespace {

namespace fs = std::filesystem;
constexpr unsigned kChildSeconds = 20;  // a child that blocks is killed, and fails
constexpr uid_t kNobody = 65534;

// Runs `call` in a child (as `user`, when not 0), which answers with its exit
// code; -1 when it did not exit by itself.
pid_t Start(const std::function<std::int32_t()>& call, uid_t user = 0) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  ::alarm(kChildSeconds);
  if (user != 0 && ::setuid(user) != 0) ::_exit(99);
  ::_exit(call());
}
std::int32_t Answer(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(EditFilesPosix, TwoEditsAtOnceEachDoAllTheirWorkOrNoneAndSayWhich) {
  RaceEdits("threads", [](const RaceEdit (&edits)[2], std::int32_t* results) {
    std::thread other([&] { results[1] = edits[1](); });
    results[0] = edits[0]();
    other.join();
  });
  RaceEdits("processes", [](const RaceEdit (&edits)[2], std::int32_t* results) {
    const pid_t children[2] = {Start(edits[0]), Start(edits[1])};
    for (int i = 0; i < 2; ++i) results[i] = Answer(children[i]);
  });
}

// `user` 0: the caller; kNobody: an unprivileged user (the caller being root).
TEST(EditFilesPosix, WhatIsNotAPlainFileOfTheCallersIsRefusedOrKeepsItsOwnerAndAttributes) {
  enum What { kFifo, kSocket, kDevice, kUnreadable, kOtherOwner };
  const bool root = ::geteuid() == 0;
  for (What what : {kFifo, kSocket, kDevice, kUnreadable, kOtherOwner}) {
    for (auto operation : {AppendLine, RemovePluginRefs}) {
      SCOPED_TRACE(std::to_string(what) + (operation == AppendLine ? " append" : " remove"));
      TempFolder folder;
      std::string file = folder.File("host.cfg");
      const std::string kSample = "MDOP\r\nKey v\r\n";
      WriteBytes(folder.File("host.TMP"), "another edit's");
      if (what == kFifo) ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
      const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{AF_UNIX, {}};
      file.copy(address.sun_path, sizeof address.sun_path - 1);
      if (what == kSocket)
        ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
      if (what == kDevice) file = "/dev/null";
      if (what >= kUnreadable) WriteBytes(file, kSample);
      if (what == kUnreadable) fs::permissions(file, fs::perms::none);
      bool attributes = false;
      if (what == kOtherOwner) {
        if (!root) {
          std::cout << "not root: a file of another owner cannot be set up; row skipped\n";
          continue;
        }
        ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chmod(file.c_str(), 02640), 0);
        attributes = ::setxattr(file.c_str(), "user.origin", "kept", 4, 0) == 0;
      }
      const std::int32_t result = Answer(
          Start([&] { return operation(file.c_str(), "v"); }, what == kUnreadable && root ? kNobody : 0));
      ::close(socket);
      EXPECT_EQ(result, what == kOtherOwner ? 0 : what == kUnreadable ? 1 : 6);
      EXPECT_FALSE(fs::exists("/dev/null.TMP"));
      // Refused at once, before the name of the temporary is touched.
      if (what != kOtherOwner) {
        EXPECT_EQ(ReadBytes(folder.File("host.TMP")), "another edit's");
        continue;
      }
      EXPECT_EQ(ReadBytes(file), operation == AppendLine ? kSample + "v\r\n" : "MDOP \r\nKey v\r\n");
      struct stat info {};
      ::stat(file.c_str(), &info);
      EXPECT_EQ(info.st_uid, kNobody);
      EXPECT_EQ(info.st_gid, kNobody);
      EXPECT_EQ(info.st_mode & 07777, 02640u);
      char value[8] = {};
      if (attributes) EXPECT_EQ(::getxattr(file.c_str(), "user.origin", value, sizeof value), 4);
      EXPECT_STREQ(value, attributes ? "kept" : "");
    }
  }
}

}  // namespace
}  // namespace install::testing
