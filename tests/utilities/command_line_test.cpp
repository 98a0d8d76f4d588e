#include "utilities/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace install::utilities {
namespace {

TEST(SplitWindowsCommandLineTest, ReadsQuotesAndBackslashesAsWindowsProgramsDo) {
  const struct {
    const char* line;
    std::vector<std::string> words;
  } cases[] = {
      {"", {}},
      {"  prog  a\tb  ", {"prog", "a", "b"}},
      {R"("C:\Program Files\app.exe" /s)", {R"(C:\Program Files\app.exe)", "/s"}},
      {R"(C:\dir\"x y"z a)", {R"(C:\dir\x yz)", "a"}},
      {R"(p "a b" c)", {"p", "a b", "c"}},
      {R"(p a"b c"d)", {"p", "ab cd"}},
      {R"(p "")", {"p", ""}},
      {R"(p a\b\\c)", {"p", R"(a\b\\c)"}},
      {R"(p a\"b)", {"p", R"(a"b)"}},
      {R"(p a\\"b c")", {"p", R"(a\b c)"}},
      {R"(p a\\\"b)", {"p", R"(a\"b)"}},
      {R"(p a\\\\"b")", {"p", R"(a\\b)"}},
      {R"(p "a"" b")", {"p", R"(a" b)"}},
      {R"(p "a b)", {"p", "a b"}},
      {R"(p "C:\dir\\")", {"p", R"(C:\dir\)"}},
      {R"(p trailing\)", {"p", R"(trailing\)"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitWindowsCommandLine(c.line), c.words) << c.line;
}

}  // namespace
}  // namespace install::utilities
