// The application object: one per module, registered with that module's
// context when it is constructed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"

class CWinApp {
 public:
  explicit CWinApp(const char* app_name);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up and shut-down of the module; a false start-up refuses the load.
  virtual bool InitInstance();
  virtual int ExitInstance();

  // The colours of this module's dialog boxes (0x00BBGGRR).
  void SetDialogBkColor(std::uint32_t background = kDefaultDialogBackground,
                        std::uint32_t text = kDefaultDialogText);
  // Points the profile functions at the per-user store under
  // Software\<company>\<application name>.
  void SetRegistryKey(const char* company);
  // Sets a string value; section "" is the application key itself. False
  // when the store cannot be written, or before SetRegistryKey: this module
  // keeps no INI file to fall back on.
  bool WriteProfileString(const char* section, const char* entry, const char* value);

  const char* app_name() const { return app_name_.c_str(); }
  const char* registry_key() const { return registry_key_.c_str(); }
  // Null until SetDialogBkColor: the system's colours.
  const install::platform::DialogColors* dialog_colors() const {
    return has_dialog_colors_ ? &dialog_colors_ : nullptr;
  }

  static constexpr std::uint32_t kDefaultDialogBackground = 0xC0C0C0;
  static constexpr std::uint32_t kDefaultDialogText = 0x000000;

 private:
  std::string app_name_;
  std::string registry_key_;
  std::string profile_name_;
  install::platform::DialogColors dialog_colors_{};
  bool has_dialog_colors_ = false;
};
