// RequestUserInfo against a scripted user: a stand-in for the screen and the
// settings store that plays the user's steps and logs everything the
// library shows and stores.
#include "userinfo/request_user_info.h"

#include <algorithm>
#include <map>
#include <optional>

#include "app/install_app.h"
#include "entry/frame.h"
#include "framework/framework_services.h"
#include "resource.h"
#include "support/test_files.h"

namespace install {
namespace {

// Where the library's templates are, as far as these tests care: the
// dialog must be looked up in the library's own resources.
const char kLibraryResources[] = "library resources";
int g_callers_window;
constexpr platform::DialogColors kLibraryColors{0xC0C0C0, 0x000000};

struct UserStep {
  enum Action { kAccept, kEscape } action;
  // What the field holds when the user acts, pasted past any limit; unset
  // leaves it as shown.
  std::optional<std::string> user_name = {};
  std::optional<std::string> company_name = {};
};

// Plays the user from a script, on a dialog of its own, and logs everything
// the library shows and stores, including anything shown without the
// caller's window as owner or without the library's template and colours.
struct ScriptedUser final : framework::FrameworkServices, platform::DialogWindow {
  explicit ScriptedUser(std::vector<UserStep> script) : steps_(std::move(script)) {
    framework::SetFrameworkServicesForTesting(this);
  }
  ~ScriptedUser() override { framework::SetFrameworkServicesForTesting(nullptr); }

  std::string GetItemText(int id) const override { return text_.count(id) ? text_.at(id) : ""; }
  void SetItemText(int id, const std::string& text) override { text_[id] = text; }
  void LimitItemText(int id, std::size_t max_chars) override { limit_[id] = max_chars; }
  // Characters of the UTF-8 text: bytes that begin one.
  std::size_t CountItemText(const std::string& text) const override {
    return std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
  }
  void FocusItem(int id) override { focus_ = id; }
  void EndDialog(int code) override { code_ = code; }

  int RunModalDialog(void* owner, const void* resources, int template_id,
                     const platform::DialogColors* colors,
                     platform::DialogEvents& events) override {
    if (owner != &g_callers_window) log_.push_back("not owned by the caller's window");
    if (resources != kLibraryResources || colors == nullptr ||
        colors->background != kLibraryColors.background || colors->text != kLibraryColors.text)
      log_.push_back("template or colours not the library's");
    text_.clear();
    limit_.clear();
    code_.reset();
    events.OnInitDialog(*this);
    log_.push_back("dialog " + std::to_string(template_id) + " shows user '" +
                   text_[IDC_USER_NAME] + "' company '" + text_[IDC_COMPANY_NAME] + "', limits " +
                   std::to_string(limit_[IDC_USER_NAME]) + "/" +
                   std::to_string(limit_[IDC_COMPANY_NAME]));
    while (!code_ && next_ < steps_.size()) {
      const UserStep& step = steps_[next_++];
      if (step.user_name) text_[IDC_USER_NAME] = *step.user_name;
      if (step.company_name) text_[IDC_COMPANY_NAME] = *step.company_name;
      step.action == UserStep::kEscape ? events.OnCancel(*this) : events.OnOK(*this);
      if (!code_) log_.push_back("dialog stays open, focus on " + std::to_string(focus_));
    }
    // A dialog shown after the script ended is left as a user would leave it.
    if (!code_) log_.push_back("script ended with the dialog open");
    return code_.value_or(platform::kDialogCancel);
  }
  int MessageBox(void* owner, const char* text, const char* caption, unsigned style) override {
    if (owner != &g_callers_window) log_.push_back("not owned by the caller's window");
    log_.push_back(std::string("message '") + text + "' caption '" + caption + "' style " +
                   std::to_string(style));
    return platform::kDialogOk;
  }
  bool WriteProfileString(const platform::SettingsKey& key, const char* section, const char* entry,
                          const char* value) override {
    log_.push_back(std::string("write ") + key.company + "\\" + key.application + " [" + section +
                   "] " + entry + " = '" + value + "'");
    return true;
  }

  std::vector<UserStep> steps_;
  std::size_t next_ = 0;
  std::vector<std::string> log_;
  std::map<int, std::string> text_;
  std::map<int, std::size_t> limit_;
  std::optional<int> code_;
  int focus_ = 0;
};

const std::string kShownEmpty = "dialog 101 shows user '' company '', limits 20/20";
const std::string kShownNone = "dialog 101 shows user '' company '(none)', limits 20/20";
const std::string kMessage =
    "message 'Please enter a user name.' caption 'User Information' style 0";

std::string Write(const std::string& entry, const std::string& value) {
  return "write Halvemark\\Installation [] " + entry + " = '" + value + "'";
}

struct LoopCase {
  const char* name;
  std::vector<UserStep> steps;
  std::vector<std::int32_t> results;  // one call each, as the export runs it
  std::vector<std::string> log;
};

TEST(RequestUserInfoTest, TheLoopShowsAsksAndStoresAsTheUserDecides) {
  const LoopCase cases[] = {
      {"Accept with both fields empty asks once and reopens with (none); Esc then stores nothing",
       {{UserStep::kAccept}, {UserStep::kEscape}},
       {0},
       {kShownEmpty, kMessage, kShownNone}},
      {"the company typed before a refused pass is shown again and kept",
       {{UserStep::kAccept, "", "Acme"}, {UserStep::kAccept, "Jane"}},
       {1},
       {kShownEmpty, kMessage, "dialog 101 shows user '' company 'Acme', limits 20/20",
        Write("UserName", "Jane"), Write("CompanyName", "Acme")}},
      {"blanks are stored as typed; the next call starts empty, and no company is (none)",
       {{UserStep::kAccept, "   ", "  "}, {UserStep::kAccept, "Jane", ""}},
       {1, 1},
       {kShownEmpty, Write("UserName", "   "), Write("CompanyName", "  "), kShownEmpty,
        Write("UserName", "Jane"), Write("CompanyName", "(none)")}},
      {"pasted 21-character texts are refused, the company first, until both are shorter",
       {{UserStep::kAccept, std::string(21, 'a'), std::string(21, 'b')},
        {UserStep::kAccept, {}, "Acme"},
        {UserStep::kAccept, "Jane"}},
       {1},
       {kShownEmpty, "dialog stays open, focus on 1002", "dialog stays open, focus on 1001",
        Write("UserName", "Jane"), Write("CompanyName", "Acme")}},
      {"limits count as the dialog counts (characters), not bytes: 20 two-byte ones are kept whole",
       {{UserStep::kAccept, "Zoë Łukasz Żółć", "ŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁ"}},
       {1},
       {kShownEmpty, Write("UserName", "Zoë Łukasz Żółć"),
        Write("CompanyName", "ŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁŁ")}},
  };
  ASSERT_TRUE(app::StartLibrary(kLibraryResources));
  for (const LoopCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedUser user(c.steps);
    for (std::int32_t result : c.results) {
      std::int32_t token = INSTALL_ACCESS_TOKEN;
      EXPECT_EQ(RunExport(kRequestUserInfoRule, &token, "",
                          [] { return userinfo::RequestUserInfo(&g_callers_window); }),
                result);
    }
    EXPECT_EQ(user.log_, c.log);
    EXPECT_EQ(user.next_, c.steps.size()) << "steps left unplayed";
  }
  app::EndLibrary();
}

}  // namespace
}  // namespace install
