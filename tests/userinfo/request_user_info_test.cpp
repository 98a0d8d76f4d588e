#include "userinfo/request_user_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/install_app.h"
#include "entry/frame.h"
#include "scripted_user.h"

namespace install {
namespace {

using testing::ScriptedUser;
using testing::UserStep;

const std::string kShownEmpty = "dialog 101 shows user '' company '', limits 20/20";
const std::string kShownNone = "dialog 101 shows user '' company '(none)', limits 20/20";
const std::string kMessage =
    "message 'Please enter a user name.' caption 'User Information' style 0";

std::string Write(const std::string& entry, const std::string& value) {
  return "write Halvemark\\Installation [] " + entry + " = '" + value + "'";
}

// Where the library's templates are, as far as these tests care: the
// dialog must be looked up in the library's own resources.
const char kLibraryResourcesMarker[] = "library resources";

class RequestUserInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(app::StartLibrary(kLibraryResourcesMarker)); }
  void TearDown() override { app::EndLibrary(); }

  // As the export runs it: in the frame, with the token.
  std::int32_t Call(void* owner, std::int32_t token = INSTALL_ACCESS_TOKEN) {
    return RunExport(kRequestUserInfoRule, &token,
                     [&] { return userinfo::RequestUserInfo(owner); });
  }
};

struct LoopCase {
  const char* name;
  std::vector<UserStep> steps;
  std::int32_t result;
  std::vector<std::string> log;
};

TEST_F(RequestUserInfoTest, TheLoopShowsAsksAndStoresAsTheUserDecides) {
  const std::string twenty_a(20, 'a');
  const std::string twenty_b(20, 'b');
  const LoopCase cases[] = {
      {"Esc at the first display stores nothing", {{UserStep::kEscape}}, 0, {kShownEmpty}},
      {"a dialog that cannot be created counts as leaving",
       {{UserStep::kCannotCreate}},
       0,
       {"dialog 101 cannot be created"}},
      {"Accept with both fields empty asks once and reopens with (none); Esc then stores nothing",
       {{UserStep::kAccept}, {UserStep::kEscape}},
       0,
       {kShownEmpty, kMessage, kShownNone}},
      {"a user name after a refused pass is stored with (none)",
       {{UserStep::kAccept}, {UserStep::kAccept, "Jane Roe"}},
       1,
       {kShownEmpty, kMessage, kShownNone, Write("UserName", "Jane Roe"),
        Write("CompanyName", "(none)")}},
      {"the company typed before a refused pass is shown again and kept",
       {{UserStep::kAccept, "", "Acme"}, {UserStep::kAccept, "Jane"}},
       1,
       {kShownEmpty, kMessage, "dialog 101 shows user '' company 'Acme', limits 20/20",
        Write("UserName", "Jane"), Write("CompanyName", "Acme")}},
      {"an empty company becomes (none) without a message",
       {{UserStep::kAccept, "Jane", ""}},
       1,
       {kShownEmpty, Write("UserName", "Jane"), Write("CompanyName", "(none)")}},
      {"blanks are names and are stored as typed",
       {{UserStep::kAccept, "   ", "  "}},
       1,
       {kShownEmpty, Write("UserName", "   "), Write("CompanyName", "  ")}},
      {"twenty characters are stored whole",
       {{UserStep::kAccept, twenty_a, twenty_b}},
       1,
       {kShownEmpty, Write("UserName", twenty_a), Write("CompanyName", twenty_b)}},
      {"typing stops at twenty characters",
       {{UserStep::kAccept, twenty_a + "xyz", twenty_b + "b"}},
       1,
       {kShownEmpty, Write("UserName", twenty_a), Write("CompanyName", twenty_b)}},
      {"a pasted 21-character user name is refused and the dialog stays open",
       {{UserStep::kAccept, twenty_a + "a", "Acme", true}, {UserStep::kEscape}},
       0,
       {kShownEmpty, "dialog stays open, focus on 1001"}},
      {"a pasted 21-character company is refused, then a shorter one accepted",
       {{UserStep::kAccept, "Jane", twenty_b + "b", true}, {UserStep::kAccept, {}, "Acme"}},
       1,
       {kShownEmpty, "dialog stays open, focus on 1002", Write("UserName", "Jane"),
        Write("CompanyName", "Acme")}},
  };
  for (const LoopCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedUser user(c.steps);
    EXPECT_EQ(Call(nullptr), c.result);
    EXPECT_EQ(user.log(), c.log);
    EXPECT_TRUE(user.script_finished());
  }
}

TEST_F(RequestUserInfoTest, AWrongTokenShowsNothingAndStoresNothing) {
  for (std::int32_t token : {0, INSTALL_ACCESS_TOKEN + 1, -INSTALL_ACCESS_TOKEN}) {
    ScriptedUser user({{UserStep::kAccept, "Jane", "Acme"}});
    EXPECT_EQ(Call(nullptr, token), -1);
    EXPECT_TRUE(user.log().empty());
  }
}

TEST_F(RequestUserInfoTest, EveryCallStartsWithEmptyFields) {
  ScriptedUser user({{UserStep::kAccept, "Jane", "Acme"}, {UserStep::kEscape}});
  EXPECT_EQ(Call(nullptr), 1);
  EXPECT_EQ(Call(nullptr), 0);
  EXPECT_EQ(user.log(), (std::vector<std::string>{kShownEmpty, Write("UserName", "Jane"),
                                                  Write("CompanyName", "Acme"), kShownEmpty}));
}

TEST_F(RequestUserInfoTest, TheCallersWindowOwnsTheDialogAndTheMessageInTheLibrarysColours) {
  int window = 0;
  void* const owner = &window;
  ScriptedUser user({UserStep(UserStep::kAccept)});
  EXPECT_EQ(Call(owner), 0);  // the script ends with the dialog shown again
  EXPECT_EQ(user.last_owner, owner);
  EXPECT_EQ(user.last_resources, static_cast<const void*>(kLibraryResourcesMarker));
  ASSERT_NE(user.last_colors, nullptr);
  EXPECT_EQ(user.last_colors->background, 0xC0C0C0u);
  EXPECT_EQ(user.last_colors->text, 0x000000u);
  EXPECT_EQ(user.log().at(1), kMessage);
}

}  // namespace
}  // namespace install
