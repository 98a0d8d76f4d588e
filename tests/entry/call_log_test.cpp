// The diagnostic log as a setup author meets it: INSTALL_LOG set around real
// calls of the exports; what the file holds afterwards, and that the calls
// answer and edit exactly as they do without it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "install.h"
#include "library.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;
using install::testing::ReadBytes;
using install::testing::TempFolder;
using install::testing::WriteBytes;

constexpr char kHostFile[] = "ZKCO 1\r\n0\r\nPlugin Render.dll\r\nView 2\r\n";

struct LogCase {
  const char* name;
  InstallExportFn function;
  std::int32_t token;
  std::string text;  // "<dir>" stands for the test's folder
  const char* log;   // null: INSTALL_LOG unset; else a name in the folder
  std::int32_t result;
  std::vector<std::string> line;  // fragments of the one line; empty: no log file
};

TEST(CallLog, OneLinePerCallNamingTheFailedStepAndNeverChangingTheCall) {
  const std::string long_text = "a\tb\"" + std::string(600, 'x');
  const LogCase cases[] = {
      {"a failed removal names the step and the system's reason",
       ExZKCFG_RemovePluginRefs,
       INSTALL_ACCESS_TOKEN,
       "<dir>host.cfg*Render",
       "install.log",
       INSTALL_EDIT_FILE_FAILED,
       {" pid=", " ExZKCFG_RemovePluginRefs token=accepted text=\"", "host.cfg*Render\" result=6",
        " failed=\"create the temporary file\" reason=\"", ")\""}},
      {"unset, no file is made",
       ExZKCFG_RemovePluginRefs,
       INSTALL_ACCESS_TOKEN,
       "<dir>host.cfg*Render",
       nullptr,
       INSTALL_EDIT_FILE_FAILED,
       {}},
      {"a log that cannot be opened changes nothing",
       ExZKCFG_RemovePluginRefs,
       INSTALL_ACCESS_TOKEN,
       "<dir>host.cfg*Render",
       "missing/install.log",
       INSTALL_EDIT_FILE_FAILED,
       {}},
      {"a refused token",
       ExZKCFG_AppendBuffer,
       0,
       "<dir>host.cfg*Plugin X",
       "install.log",
       0,
       {" ExZKCFG_AppendBuffer token=refused text=\"", " result=0"}},
      {"control bytes escaped, a long text cut with its length",
       AreYouThere,
       0,
       long_text,
       "install.log",
       1,
       {"AreYouThere token=not-gated text=\"a\\x09b\\\"" + std::string(508, 'x') +
        "\" text_bytes=604 result=1"}},
  };
  for (const LogCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string dir = folder.File("");
    WriteBytes(folder.path() / "host.cfg", kHostFile);
    // The temporary's name is taken by a folder with a file in it.
    fs::create_directories(folder.path() / "host.TMP" / "inside");
    const std::string log = c.log != nullptr ? folder.File(c.log) : "";
    installctl::SetEnvironmentValue("INSTALL_LOG", c.log != nullptr ? log.c_str() : nullptr);
    std::string text = c.text;
    if (text.rfind("<dir>", 0) == 0) text.replace(0, 5, dir);
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    std::int32_t token = c.token;
    EXPECT_EQ(c.function(nullptr, &token, buffer.data()), c.result);
    installctl::SetEnvironmentValue("INSTALL_LOG", nullptr);
    EXPECT_EQ(ReadBytes(folder.path() / "host.cfg"), kHostFile);
    if (c.line.empty()) {
      // Nothing but the host file and the folder in the temporary's way.
      EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);
      continue;
    }
    const std::string written = ReadBytes(log);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
    for (const std::string& fragment : c.line)
      EXPECT_NE(written.find(fragment), std::string::npos) << fragment << "\n" << written;
  }
}

}  // namespace
