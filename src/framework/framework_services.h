// What the framework asks of the operating system: dialogs, message boxes
// and the per-user settings store. Shipped code always reaches the platform;
// tests put a scripted stand-in in its place to play the user.
#pragma once

#include <string>

#include "platform/dialog.h"
#include "platform/settings.h"

namespace install::framework {

class FrameworkServices {
 public:
  virtual ~FrameworkServices() = default;
  virtual int RunModalDialog(void* owner, const void* resources, int template_id,
                             const platform::DialogColors* colors,
                             platform::DialogEvents& events) = 0;
  virtual int MessageBox(void* owner, const char* text, const char* caption, unsigned style) = 0;
  virtual bool WriteProfileString(const platform::SettingsKey& key, const char* section,
                                  const char* entry, const char* value) = 0;
};

FrameworkServices& Services();

// Replaces the platform for this thread until called again with null.
void SetFrameworkServicesForTesting(FrameworkServices* services);

// String `id` of the current resources in the user's language, or
// `fallback` where they have none.
std::string LoadResourceString(int id, const char* fallback);

// The platform's message box, as the library's code calls it.
int MessageBoxA(void* owner, const char* text, const char* caption, unsigned style);

}  // namespace install::framework
