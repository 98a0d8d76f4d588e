// The per-user settings store (settings.cpp of each backend). Owned by the
// application object; nothing else writes here.
#pragma once

#include <string>

#include "platform/status.h"

namespace install::platform {

// The per-user key Software\<company>\<application> that the application
// object's profile functions work on.
struct SettingsKey {
  const char* company;
  const char* application;
};

// Sets the string value `name` in `section` of the store; the empty section
// is the application key itself. Missing keys (or the file and its folders)
// are created, a value of the same name is replaced and every other value is
// kept. Either the whole write happens or the store is left as it was.
Status WriteUserSetting(const SettingsKey& key, const char* section, const char* name,
                        const char* value);

// Reads a value back. The library never does; tests and tools do.
Status ReadUserSettingForTesting(const SettingsKey& key, const char* section, const char* name,
                                 std::string* value);

}  // namespace install::platform
