// What only POSIX can set up: paths that are not files, another owner,
// extended attributes and a reader without permission.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "config/line_append.h"
#include "config/plugin_removal.h"
#include "config/temp_path.h"
#include "platform/edit.h"
#include "platform/files.h"
#include "support/system_state.h"
#include "support/test_files.h"

namespace install::testing {
namespace {

// A FIFO, a socket and a device are refused at once, before the leftover under
// the temporary's name is touched, and an edit that another holds up too long
// gives up; an unreadable file answers 1 (tried as an
// unprivileged user when run as root); a file of another owner keeps its
// owner, group, mode and extended attributes (only as root).
TEST(EditFilesPosix, WhatIsNotAPlainFileOfTheCallersIsRefusedOrKeepsWhatItIs) {
  enum What { kFifo, kSocket, kDevice, kHeld, kUnreadable, kOtherOwner };
  const bool root = ::geteuid() == 0;
  if (!root) std::cout << "not root: no file of another owner can be made; those rows skipped\n";
  const std::string sample = "MDOP\r\nKey v\r\n";
  for (What what : {kFifo, kSocket, kDevice, kHeld, kUnreadable, kOtherOwner})
    for (auto operation : {AppendLine, RemovePluginRefs}) {
      if (what == kHeld && operation == RemovePluginRefs) continue;  // a 10-second wait
      SCOPED_TRACE(std::to_string(what) + (operation == AppendLine ? " append" : " remove"));
      if (what == kOtherOwner && !root) continue;
      TempFolder folder;
      std::string file = what == kDevice ? "/dev/null" : folder.File("host.cfg");
      WriteBytes(folder.File("host.TMP"), "another edit's");
      const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{AF_UNIX, {}};
      file.copy(address.sun_path, sizeof address.sun_path - 1);
      ASSERT_TRUE(what == kFifo ? ::mkfifo(file.c_str(), 0644) == 0
                  : what == kSocket
                      ? ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
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
      const std::int32_t result = InChild(
          [&] { return user != 0 && ::setuid(user) != 0 ? 99 : operation(file.c_str(), "v"); });
      ::close(socket);
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

}  // namespace
}  // namespace install::testing
