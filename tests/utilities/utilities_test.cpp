// The utilities' rules every platform shares: command-line splitting and
// sizes over one generated tree.
#include "utilities/command_line.h"
#include "utilities_tables.h"

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

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;
constexpr std::int32_t kMax = kLargestDirSizeKB;
// Deeper than the number of directories the walk holds open at once.
constexpr int kBeyondOpenLevels = 70;

TEST(DirSizeKBTest, CountsEachFileInKilobytesRoundedDownOnItsOwn) {
  testing::TempFolder tree;
  testing::MakeSizedFile(tree.path() / "rounding/a", 1023);
  testing::MakeSizedFile(tree.path() / "rounding/b", 1025);
  testing::MakeSizedFile(tree.path() / "nested/f", 4096);
  testing::MakeSizedFile(tree.path() / "nested/.hidden", 3072);
  testing::MakeSizedFile(tree.path() / "nested/one/f", 2048);
  testing::MakeSizedFile(tree.path() / "nested/one/two/f", 1024);
  std::filesystem::create_directories(tree.path() / "nested/one/two/three/empty");
  testing::MakeSizedFile(tree.path() / "sparse/five_gib", 5 * kGiB);
  testing::MakeSizedFile(tree.path() / "sparse/small", 1024);
  // Deeper than the classic 260-character path limit.
  std::filesystem::path long_chain = "long";
  for (int level = 0; level < 30; ++level) long_chain /= "a_rather_long_folder_name";
  testing::MakeSizedFile(tree.path() / long_chain / "f", 8192);

  // Chains deeper than the walk keeps open at once, a file at every level,
  // and siblings met only after coming back up from them.
  const std::int32_t wide_kb = 3 * (2 * kBeyondOpenLevels + 1);
  for (const char* branch : {"a", "b", "c"}) {
    std::filesystem::path level = std::filesystem::path("wide") / branch;
    for (int depth = 0; depth < kBeyondOpenLevels; ++depth, level /= "d")
      for (const char* file : {"f", "g"}) testing::MakeSizedFile(tree.path() / level / file, 1024);
    testing::MakeSizedFile(tree.path() / "wide" / (std::string(branch) + "_after"), 1024);
  }

  const std::string sep(1, std::filesystem::path::preferred_separator);
  const std::int32_t sparse_kb = 5 * 1024 * 1024 + 1;
  const std::int32_t whole_tree_kb = 1 + 10 + sparse_kb + 8;
  testing::ExpectSizes(
      tree.path(),
      {
          {"1023 and 1025 bytes count 0 + 1, not 2 together", "rounding", 1},
          {"every depth counts, hidden files too", "nested", 10},
          {"a trailing separator changes nothing", "nested" + sep, 10},
          {"a 5 GiB file counts in full", "sparse", sparse_kb},
          {"a path longer than 260 characters", "long", 8},
          {"siblings after trees deeper than the open levels count once", "wide", wide_kb},
          {"the whole tree", "", whole_tree_kb + wide_kb},
          {"a file path counts 0", "rounding" + sep + "a", 0},
          {"the ceiling holds", "rounding", kMax, kMax},
          {"no 32-bit wrap to a small size", "rounding", kMax, 0xFFFFFFFFull},
          {"a large file past the ceiling saturates", "sparse", kMax, kMax - 100},
          {"a missing path stays 0 from any start", "no_such_folder", 0, kMax - 2},
      });
}

}  // namespace
}  // namespace install::utilities
