// Loading and unloading the built library, as a setup program does.
#include <gtest/gtest.h>

#include <string>

#include "app/isolated_store.h"
#include "library.h"
#include "platform/platform.h"

namespace install {
namespace {

TEST(LibraryLoad, LoadingAnsweringAndUnloadingWriteNothing) {
  testing::IsolatedSettingsStore store;
  {
    installctl::InstallLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error)) << error;
    InstallExportFn are_you_there = library.Find("AreYouThere");
    ASSERT_NE(are_you_there, nullptr);
    std::int32_t value = 0;
    char text[] = "";
    EXPECT_EQ(are_you_there(nullptr, &value, text), 1);
  }
  const platform::SettingsKey key{"Halvemark", "Installation"};
  for (const char* name : {"UserName", "CompanyName"}) {
    std::string value;
    EXPECT_EQ(platform::ReadUserSettingForTesting(key, "", name, &value).error,
              platform::Error::kNotFound)
        << name;
  }
}

}  // namespace
}  // namespace install
