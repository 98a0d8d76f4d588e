// A stand-in for the screen and the settings store: it plays the user from
// a script and writes down everything the library shows and stores.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/framework_services.h"

namespace install::testing {

struct UserStep {
  enum Action { kAccept, kEscape, kCannotCreate };
  UserStep(Action act, std::optional<std::string> user = {},
           std::optional<std::string> company = {}, bool bypass = false)
      : action(act),
        user_name(std::move(user)),
        company_name(std::move(company)),
        bypass_limit(bypass) {}

  Action action;
  // What the field holds when the user acts; unset leaves it as shown.
  std::optional<std::string> user_name;
  std::optional<std::string> company_name;
  // Pasted text ignores the field's limit, as a program setting it would.
  bool bypass_limit = false;
};

class ScriptedUser final : public framework::FrameworkServices {
 public:
  explicit ScriptedUser(std::vector<UserStep> steps);
  ~ScriptedUser() override;
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  int RunModalDialog(void* owner, const void* resources, int template_id,
                     const platform::DialogColors* colors, platform::DialogEvents& events) override;
  int MessageBox(void* owner, const char* text, const char* caption, unsigned style) override;
  bool WriteProfileString(const platform::SettingsKey& key, const char* section, const char* entry,
                          const char* value) override;

  // One line per thing the user saw or the store received.
  const std::vector<std::string>& log() const { return log_; }
  bool script_finished() const { return next_ == steps_.size(); }

  void* last_owner = nullptr;
  const void* last_resources = nullptr;
  const platform::DialogColors* last_colors = nullptr;

 private:
  std::vector<UserStep> steps_;
  std::size_t next_ = 0;
  std::vector<std::string> log_;
};

}  // namespace install::testing
