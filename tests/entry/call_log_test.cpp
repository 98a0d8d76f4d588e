// The diagnostic log around real calls: the one line INSTALL_LOG's file
// holds afterwards, and calls that answer and edit as they do without it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "install.h"
#include "library.h"
#include "support/test_files.h"

namespace install::testing {

namespace fs = std::filesystem;

TEST(CallLog, OneLinePerCallNamingTheFailedStepAndNeverChangingTheCall) {
  const std::string host = "ZKCO 1\r\n0\r\nPlugin Render.dll\r\n";
  const std::string when_and_who = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z pid=\d+ )";
  const std::string remove = "<dir>host.cfg*Render";
  struct {
    InstallExportFn function;
    std::int32_t token;
    std::string text;  // <dir> stands for the test's folder
    const char* log;   // the log's name in the folder; null: INSTALL_LOG unset
    std::int32_t result;
    std::string line;  // the whole line, as a pattern; empty: no log file at all
  } cases[] = {
      // clang-format off
      {ExZKCFG_RemovePluginRefs, INSTALL_ACCESS_TOKEN, remove, "log", 6, R"re(ExZKCFG_RemovePluginRefs token=accepted text=".+host\.cfg\*Render" result=6 failed="create the temporary file" reason=".+ \((errno|error) \d+\)")re"},
      {ExZKCFG_RemovePluginRefs, INSTALL_ACCESS_TOKEN, remove, nullptr, 6, ""},
      {ExZKCFG_RemovePluginRefs, INSTALL_ACCESS_TOKEN, remove, "missing/log", 6, ""},
      {ExZKCFG_AppendBuffer, 0, "<dir>host.cfg*Plugin X", "log", 0, R"re(ExZKCFG_AppendBuffer token=refused text=".+host\.cfg\*Plugin X" result=0)re"},
      {AreYouThere, 0, "\t\"" + std::string(600, 'x'), "log", 1, R"re(AreYouThere token=not-gated text="\\x09\\"x{510}" text_bytes=602 result=1)re"},
      // clang-format on
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.line);
    TempFolder folder;
    WriteBytes(folder.path() / "host.cfg", host);
    // A folder with a file in it takes the temporary's name.
    fs::create_directories(folder.path() / "host.TMP" / "inside");
    installctl::SetEnvironmentValue("INSTALL_LOG", c.log ? folder.File(c.log).c_str() : nullptr);
    std::string text = std::regex_replace(c.text, std::regex("<dir>"), folder.File(""));
    EXPECT_EQ(c.function(nullptr, &c.token, &text[0]), c.result);
    installctl::SetEnvironmentValue("INSTALL_LOG", nullptr);
    EXPECT_EQ(ReadBytes(folder.path() / "host.cfg"), host);
    if (c.line.empty()) {
      EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);
    } else {
      const std::string log = ReadBytes(folder.File(c.log));
      EXPECT_TRUE(std::regex_match(log, std::regex(when_and_who + c.line + "\r?\n"))) << log;
    }
  }
}

}  // namespace install::testing
