#include <windows.h>

#include "utilities/utilities_tables.h"

namespace install::testing {

TEST(SpawnWindowsTest, AProgramIsNotWaitedFor) {
  TempFolder folder;
  const std::string marker = folder.File("made");
  const std::string line = "cmd /c ping -n 3 127.0.0.1 > nul & echo made> " + marker;
  EXPECT_EQ(utilities::StartProgram(line.c_str()), utilities::kStarted);
  EXPECT_FALSE(std::filesystem::exists(marker)) << "waited for the program";
  EXPECT_NE(EventualBytes(marker), "");
}

// cmd /c takes the first and last quote off a text that starts with one, so
// a quoted program with a quoted argument runs as `C:\a b\t.bat" "x` and is
// not found (9009); quoted once more as a whole, it runs (README, DOSSpawn).
TEST(SpawnWindowsTest, AQuotedProgramWithQuotedArgumentsTakesOneMorePairOfQuotes) {
  TempFolder folder;
  std::filesystem::create_directories(folder.path() / "a b");
  WriteBytes(folder.path() / "a b" / "t.bat", "@if \"%~1\"==\"x\" exit /b 3\r\n@exit /b 4\r\n");
  const std::string program = "\"" + folder.File("a b\\t.bat") + "\"";
  ExpectSpawns({
      {false, program + " \"x\"", 9009},
      {false, "\"" + program + " \"x\"\"", 3},
  });
}

// A program 300 characters deep in folders whose names are already short:
// its path has no short form that CreateProcessW could take.
TEST(SpawnWindowsTest, AProgramPathWithNoShortFormThatFitsIsAPathThatCannotBeUsed) {
  TempFolder folder;
  std::wstring top = L"\\\\?\\" + folder.path().wstring(), path = top;
  for (int level = 0; level < 100; ++level)
    ASSERT_TRUE(::CreateDirectoryW((path += L"\\dd").c_str(), nullptr)) << ::GetLastError();
  const std::wstring program = path + L"\\t.exe";
  WriteBytes(program, "MZ");  // not made, the start would answer 2
  ExpectSpawns({{true, "\"" + std::filesystem::path(program.substr(4)).string() + "\" /x", 3,
                 "its path is too long and has no short form that fits"}});
  for (::DeleteFileW(program.c_str()); path != top; path.resize(path.size() - 3))
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace install::testing
