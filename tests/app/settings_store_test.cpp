// The settings store as every platform provides it, and the built library
// loaded by path, as a setup program loads it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/isolated_store.h"
#include "library.h"
#include "platform/platform.h"

namespace install {
namespace {

constexpr platform::SettingsKey kKey{"Halvemark", "Installation"};

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

void ExpectStored(const Expected& e) {
  std::string value;
  const platform::Status status =
      platform::ReadUserSettingForTesting(kKey, e.section, e.name, &value);
  if (e.value == nullptr) {
    EXPECT_EQ(status.error, platform::Error::kNotFound) << e.name;
  } else {
    EXPECT_TRUE(status.ok()) << e.name;
    EXPECT_EQ(value, e.value);
  }
}

TEST(SettingsStore, WritesCreateTheKeyReplaceTheirValueAndKeepTheOthers) {
  testing::IsolatedSettingsStore store;
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
    ASSERT_TRUE(platform::WriteUserSetting(kKey, step.section, step.name, step.value).ok());
    for (const Expected& e : step.then) ExpectStored(e);
  }
}

TEST(SettingsStore, LoadingAnsweringAndUnloadingTheLibraryWriteNothing) {
  testing::IsolatedSettingsStore store;
  {
    installctl::InstallLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error)) << error;
    InstallExportFn are_you_there = library.Find("AreYouThere");
    ASSERT_NE(are_you_there, nullptr);
    EXPECT_EQ(are_you_there(nullptr, nullptr, nullptr), 1);
  }
  for (const char* name : {"UserName", "CompanyName"}) ExpectStored({"", name, nullptr});
}

}  // namespace
}  // namespace install
