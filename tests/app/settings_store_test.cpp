// The settings store as every platform provides it, and the built library
// loaded by path, as a setup program loads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "library.h"
#include "platform/platform.h"
#include "support/test_files.h"

namespace install {
namespace {

// The store is private to this program (isolated_store.cpp); the table uses
// a key of its own, so that the library's key stays untouched.
constexpr platform::SettingsKey kTableKey{"Halvemark", "StoreTest"};
constexpr platform::SettingsKey kLibraryKey{"Halvemark", "Installation"};

struct Expected {
  const char* section;
  const char* name;
  const char* value;  // null: not there
};

struct WriteCase {
  const char* section;
  const char* name;
  const char* value;
  std::vector<Expected> then;
};

void ExpectStored(const platform::SettingsKey& key, const Expected& e) {
  std::string value;
  const platform::Status status =
      platform::ReadUserSettingForTesting(key, e.section, e.name, &value);
  if (e.value == nullptr) {
    EXPECT_EQ(status.error, platform::Error::kNotFound) << e.name;
  } else {
    EXPECT_TRUE(status.ok()) << e.name;
    EXPECT_EQ(value, e.value);
  }
}

TEST(SettingsStore, WritesCreateTheKeyReplaceTheirValueAndKeepTheOthers) {
  const WriteCase steps[] = {
      {"", "UserName", "Jane", {{"", "UserName", "Jane"}, {"", "CompanyName", nullptr}}},
      {"", "CompanyName", "Acme", {{"", "UserName", "Jane"}, {"", "CompanyName", "Acme"}}},
      {"", "UserName", "John Q", {{"", "UserName", "John Q"}, {"", "CompanyName", "Acme"}}},
      {"Extra",
       "UserName",
       "in a section",
       {{"Extra", "UserName", "in a section"}, {"", "UserName", "John Q"}}},
      {"", "UserName", "", {{"", "UserName", ""}, {"Extra", "UserName", "in a section"}}},
  };
  for (const WriteCase& step : steps) {
    SCOPED_TRACE(std::string(step.section) + "/" + step.name + "=" + step.value);
    ASSERT_TRUE(platform::WriteUserSetting(kTableKey, step.section, step.name, step.value).ok());
    for (const Expected& e : step.then) ExpectStored(kTableKey, e);
  }
}

struct ExportCase {
  const char* name;
  std::int32_t* value;
  std::string text;
  std::int32_t expected;
};

// As a setup program loads it: each export reaches its own worker, only the
// spawns are gated, and loading, answering and unloading store nothing.
TEST(LoadedLibrary, EachExportAnswersAndNoneStoresAnything) {
  testing::TempFolder folder;
  testing::WriteBytes(folder.path() / "a", std::string(3000, 'a'));
  std::filesystem::create_directory(folder.path() / "sub");
  testing::WriteBytes(folder.path() / "sub" / "b", std::string(5000, 'b'));
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  std::int32_t wrong = INSTALL_ACCESS_TOKEN + 1;
  const ExportCase cases[] = {
      {"AreYouThere", nullptr, "", 1},
      {"GetDirSizeKB", nullptr, folder.path().string(), 2 + 4},
      {"GetDirSizeKB", &wrong, folder.path().string(), 2 + 4},
      {"DOSSpawn", &token, "exit 7", 7},
      {"WINSpawn", &token, "no-such-program-4c1d", 2},
  };
  {
    installctl::InstallLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error)) << error;
    for (const ExportCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " " + c.text);
      std::vector<char> text(c.text.begin(), c.text.end());
      text.push_back('\0');
      InstallExportFn function = library.Find(c.name);
      ASSERT_NE(function, nullptr);
      EXPECT_EQ(function(nullptr, c.value, text.data()), c.expected);
    }
  }
  for (const char* name : {"UserName", "CompanyName"})
    ExpectStored(kLibraryKey, {"", name, nullptr});
}

}  // namespace
}  // namespace install
