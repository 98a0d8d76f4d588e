// The settings store as every platform provides it, and the built library
// loaded by path, as a setup program loads it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library.h"
#include "platform/platform.h"

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

TEST(SettingsStore, LoadingAnsweringAndUnloadingTheLibraryWriteNothing) {
  {
    installctl::InstallLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error)) << error;
    InstallExportFn are_you_there = library.Find("AreYouThere");
    ASSERT_NE(are_you_there, nullptr);
    EXPECT_EQ(are_you_there(nullptr, nullptr, nullptr), 1);
  }
  for (const char* name : {"UserName", "CompanyName"})
    ExpectStored(kLibraryKey, {"", name, nullptr});
}

}  // namespace
}  // namespace install
