// The settings store as every platform provides it.
#include "platform/settings.h"
#include "support/test_files.h"

namespace install {
namespace {

// The store is private to this program (isolated_store.cpp).
constexpr platform::SettingsKey kTableKey{"Halvemark", "StoreTest"};
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

}  // namespace
}  // namespace install
