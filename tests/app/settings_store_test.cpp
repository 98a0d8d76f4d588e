// The settings store as every platform provides it.
#include <gtest/gtest.h>

#include <string>

#include "app/install_app.h"
#include "app/isolated_store.h"
#include "framework/module_state.h"
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

std::string Read(const Expected& e, platform::Status* status) {
  std::string value;
  *status = platform::ReadUserSettingForTesting(kKey, e.section, e.name, &value);
  return value;
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
    for (const Expected& e : step.then) {
      platform::Status status;
      const std::string value = Read(e, &status);
      if (e.value == nullptr) {
        EXPECT_EQ(status.error, platform::Error::kNotFound) << e.name;
      } else {
        EXPECT_TRUE(status.ok()) << e.name;
        EXPECT_EQ(value, e.value);
      }
    }
  }
}

TEST(SettingsStore, TheApplicationObjectWritesDirectlyUnderItsKeyAndLoadingWritesNothing) {
  testing::IsolatedSettingsStore store;
  const char resources[] = "resources";
  ASSERT_TRUE(app::StartLibrary(resources));
  std::string value;
  EXPECT_EQ(platform::ReadUserSettingForTesting(kKey, "", "UserName", &value).error,
            platform::Error::kNotFound);

  CWinApp* app = AfxGetStaticModuleState()->m_pCurrentWinApp;
  ASSERT_NE(app, nullptr);
  EXPECT_STREQ(app->app_name(), "Installation");
  EXPECT_STREQ(app->registry_key(), "Halvemark");
  EXPECT_TRUE(app->WriteProfileString("", "UserName", "Jane"));
  ASSERT_TRUE(platform::ReadUserSettingForTesting(kKey, "", "UserName", &value).ok());
  EXPECT_EQ(value, "Jane");

  app::EndLibrary();
  EXPECT_EQ(platform::ReadUserSettingForTesting(kKey, "", "CompanyName", &value).error,
            platform::Error::kNotFound);
}

}  // namespace
}  // namespace install
