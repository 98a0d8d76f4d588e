#include "config/temp_path.h"

#include <gtest/gtest.h>

namespace install::config {
namespace {

TEST(TempPathTest, ReplacesTheFileNamesExtension) {
  struct Case {
    std::string_view path, temporary;
  } cases[] = {
      {"C:\\Host\\host.cfg", "C:\\Host\\host.TMP"},
      {"host.cfg", "host.TMP"},
      {"host", "host.TMP"},
      {"my.host.config", "my.host.TMP"},
      {"C:\\dir.d\\host", "C:\\dir.d\\host.TMP"},
      {"/etc/dir.d/host", "/etc/dir.d/host.TMP"},
      {"dir.d/sub\\host", "dir.d/sub\\host.TMP"},
      {"C:host.ini", "C:host.TMP"},
      {"host.", "host.TMP"},
      {".hostrc", ".TMP"},
      {"..\\host.cfg", "..\\host.TMP"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TemporaryPathFor(c.path), c.temporary) << c.path;
  }
}

TEST(TempPathTest, RecognisesItsOwnTemporaryName) {
  struct Case {
    std::string_view path;
    bool own;
  } cases[] = {
      {"host.TMP", true},  {"host.tmp", true},    {"C:\\a\\host.TmP", true},
      {"host.cfg", false}, {"host.TMPX", false},  {"host.tmp.cfg", false},
      {"host", false},     {"a.tmp/host", false}, {"TMP", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsOwnTemporaryName(c.path), c.own) << c.path;
}

}  // namespace
}  // namespace install::config
