#include "scripted_user.h"

#include "resource.h"

namespace install::testing {
namespace {

class FakeDialog final : public platform::DialogWindow {
 public:
  std::string GetItemText(int id) const override {
    auto it = text_.find(id);
    return it == text_.end() ? "" : it->second;
  }
  void SetItemText(int id, const std::string& text) override { text_[id] = text; }
  void LimitItemText(int id, std::size_t max_chars) override { limit_[id] = max_chars; }
  void FocusItem(int id) override { focus_ = id; }
  void EndDialog(int code) override {
    ended_ = true;
    code_ = code;
  }

  // What a keyboard can put into the field: no more than its limit.
  void Type(int id, const std::string& text, bool bypass_limit) {
    auto limit = limit_.find(id);
    text_[id] = bypass_limit || limit == limit_.end() ? text : text.substr(0, limit->second);
  }
  std::string Limit(int id) const {
    auto it = limit_.find(id);
    return it == limit_.end() ? "none" : std::to_string(it->second);
  }

  bool ended_ = false;
  int code_ = 0;
  int focus_ = 0;

 private:
  std::map<int, std::string> text_;
  std::map<int, std::size_t> limit_;
};

}  // namespace

ScriptedUser::ScriptedUser(std::vector<UserStep> steps) : steps_(std::move(steps)) {
  framework::SetFrameworkServicesForTesting(this);
}

ScriptedUser::~ScriptedUser() { framework::SetFrameworkServicesForTesting(nullptr); }

int ScriptedUser::RunModalDialog(void* owner, const void* resources, int template_id,
                                 const platform::DialogColors* colors,
                                 platform::DialogEvents& events) {
  last_owner = owner;
  last_resources = resources;
  last_colors = colors;
  if (next_ == steps_.size()) {
    // A loop that never ends would hang the test; end it as a user would.
    log_.push_back("dialog shown after the script ended");
    return platform::kDialogCancel;
  }
  if (steps_[next_].action == UserStep::kCannotCreate) {
    ++next_;
    log_.push_back("dialog " + std::to_string(template_id) + " cannot be created");
    return platform::kDialogNotCreated;
  }
  FakeDialog dialog;
  events.OnInitDialog(dialog);
  log_.push_back("dialog " + std::to_string(template_id) + " shows user '" +
                 dialog.GetItemText(IDC_USER_NAME) + "' company '" +
                 dialog.GetItemText(IDC_COMPANY_NAME) + "', limits " + dialog.Limit(IDC_USER_NAME) +
                 "/" + dialog.Limit(IDC_COMPANY_NAME));
  while (!dialog.ended_ && next_ < steps_.size()) {
    const UserStep& step = steps_[next_++];
    if (step.user_name) dialog.Type(IDC_USER_NAME, *step.user_name, step.bypass_limit);
    if (step.company_name) dialog.Type(IDC_COMPANY_NAME, *step.company_name, step.bypass_limit);
    if (step.action == UserStep::kEscape) {
      events.OnCancel(dialog);
    } else {
      events.OnOK(dialog);
    }
    if (!dialog.ended_)
      log_.push_back("dialog stays open, focus on " + std::to_string(dialog.focus_));
  }
  if (!dialog.ended_) {
    log_.push_back("script ended with the dialog open");
    return platform::kDialogCancel;
  }
  return dialog.code_;
}

int ScriptedUser::MessageBox(void* owner, const char* text, const char* caption, unsigned style) {
  last_owner = owner;
  log_.push_back(std::string("message '") + text + "' caption '" + caption + "' style " +
                 std::to_string(style));
  return platform::kDialogOk;
}

bool ScriptedUser::WriteProfileString(const platform::SettingsKey& key, const char* section,
                                      const char* entry, const char* value) {
  log_.push_back(std::string("write ") + key.company + "\\" + key.application + " [" + section +
                 "] " + entry + " = '" + value + "'");
  return true;
}

}  // namespace install::testing
