// The settings store as every platform provides it, and the built library
// loaded by path, as a setup program loads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "library.h"
#include "platform/platform.h"
#include "support/test_files.h"

namespace install {
namespace {

// The store is private to this program (isolated_store.cpp); the table uses
// a key of its own, so that the library's key stays untouched.
constexpr platform::SettingsKey kTableKey{"Halvemark", "StoreTest"};
constexpr platform::SettingsKey kLibraryKey{"Halvemark", "Installation"};
constexpr char kMissing[] = "(not there)";

std::string Stored(const platform::SettingsKey& key, const char* section, const char* name) {
  std::string value;
  const platform::Status status = platform::ReadUserSettingForTesting(key, section, name, &value);
  if (status.error == platform::Error::kNotFound) return kMissing;
  EXPECT_TRUE(status.ok()) << name;
  return value;
}

TEST(SettingsStore, WritesCreateTheKeyReplaceTheirValueAndKeepTheOthers) {
  // Each step writes one value, then reads UserName, CompanyName and
  // [Extra] UserName.
  const struct {
    const char *section, *name, *value;
    std::string then[3];
  } steps[] = {
      {"", "UserName", "Jane", {"Jane", kMissing, kMissing}},
      {"", "CompanyName", "Acme", {"Jane", "Acme", kMissing}},
      {"", "UserName", "John Q", {"John Q", "Acme", kMissing}},
      {"Extra", "UserName", "in a section", {"John Q", "Acme", "in a section"}},
      {"", "UserName", "", {"", "Acme", "in a section"}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::string(step.section) + "/" + step.name + "=" + step.value);
    ASSERT_TRUE(platform::WriteUserSetting(kTableKey, step.section, step.name, step.value).ok());
    EXPECT_EQ(Stored(kTableKey, "", "UserName"), step.then[0]);
    EXPECT_EQ(Stored(kTableKey, "", "CompanyName"), step.then[1]);
    EXPECT_EQ(Stored(kTableKey, "Extra", "UserName"), step.then[2]);
  }
}

// As a setup program loads it: each export reaches its own worker, only the
// spawns are gated, and loading, answering and unloading store nothing.
TEST(LoadedLibrary, EachExportAnswersAndNoneStoresAnything) {
  testing::TempFolder folder;
  testing::WriteBytes(folder.path() / "a", std::string(5000, 'a'));
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  std::int32_t wrong = INSTALL_ACCESS_TOKEN + 1;
  const struct {
    const char* name;
    std::int32_t* value;
    std::string text;
    std::int32_t expected;
  } cases[] = {
      {"AreYouThere", nullptr, "", 1},
      {"GetDirSizeKB", nullptr, folder.path().string(), 4},
      {"GetDirSizeKB", &wrong, folder.path().string(), 4},
      {"DOSSpawn", &token, "exit 7", 7},
      {"WINSpawn", &token, "no-such-program-4c1d", 2},
  };
  {
    installctl::InstallLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error)) << error;
    for (const auto& c : cases) {
      InstallExportFn function = library.Find(c.name);
      ASSERT_NE(function, nullptr) << c.name;
      EXPECT_EQ(function(nullptr, c.value, testing::Buffer(c.text).data()), c.expected) << c.name;
    }
  }
  EXPECT_EQ(Stored(kLibraryKey, "", "UserName"), kMissing);
  EXPECT_EQ(Stored(kLibraryKey, "", "CompanyName"), kMissing);
}

}  // namespace
}  // namespace install
