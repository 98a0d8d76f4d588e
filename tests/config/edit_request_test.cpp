#include "config/edit_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install.h"

namespace install {
namespace {

struct SplitCase {
  std::string text;
  const char* path;     // null: no path
  const char* operand;  // null: no operand
  std::string buffer_after;
};

TEST(EditRequest, SplitsAtTheFirstStarAfterThePathAndOnlyThere) {
  using namespace std::string_literals;
  const SplitCase cases[] = {
      {"C:\\host.cfg*Render", "C:\\host.cfg", "Render", "C:\\host.cfg\0Render"s},
      {"***C:\\host.cfg*Render", "C:\\host.cfg", "Render", "***C:\\host.cfg\0Render"s},
      {"a.cfg*Plugin x*y**", "a.cfg", "Plugin x*y**", "a.cfg\0Plugin x*y**"s},
      {"a.cfg* lead and trail ", "a.cfg", " lead and trail ", "a.cfg\0 lead and trail "s},
      {"a.cfg**", "a.cfg", "*", "a.cfg\0*"s},
      {"a.cfg*", "a.cfg", nullptr, "a.cfg\0"s},
      {"a.cfg", "a.cfg", nullptr, "a.cfg"},
      {"", nullptr, nullptr, ""},
      {"***", nullptr, nullptr, "***"},
  };
  for (const SplitCase& c : cases) {
    std::vector<char> buffer(c.text.begin(), c.text.end());
    buffer.push_back('\0');
    const EditRequest request = SplitEditRequest(buffer.data());

    if (c.path == nullptr) {
      EXPECT_EQ(request.path, nullptr) << c.text;
    } else {
      ASSERT_NE(request.path, nullptr) << c.text;
      EXPECT_STREQ(request.path, c.path) << c.text;
    }
    if (c.operand == nullptr) {
      EXPECT_EQ(request.operand, nullptr) << c.text;
    } else {
      ASSERT_NE(request.operand, nullptr) << c.text;
      EXPECT_STREQ(request.operand, c.operand) << c.text;
    }
    EXPECT_EQ(std::string(buffer.data(), buffer.size() - 1), c.buffer_after) << c.text;
  }
  EXPECT_EQ(SplitEditRequest(nullptr).path, nullptr);
}

int g_calls = 0;
std::int32_t CountingOperation(const char*, const char*) {
  ++g_calls;
  return INSTALL_EDIT_DONE;
}

TEST(EditRequest, AnIncompleteRequestNeverReachesTheFileWork) {
  struct Case {
    std::string text;
    std::int32_t result;
    int calls;
  };
  const Case cases[] = {
      {"", INSTALL_EDIT_NOT_READABLE, 0},     {"**", INSTALL_EDIT_NOT_READABLE, 0},
      {"a.cfg", INSTALL_EDIT_FILE_FAILED, 0}, {"a.cfg*", INSTALL_EDIT_FILE_FAILED, 0},
      {"a.cfg*x", INSTALL_EDIT_DONE, 1},
  };
  for (const Case& c : cases) {
    g_calls = 0;
    std::vector<char> buffer(c.text.begin(), c.text.end());
    buffer.push_back('\0');
    EXPECT_EQ(RunEditRequest(buffer.data(), CountingOperation), c.result) << c.text;
    EXPECT_EQ(g_calls, c.calls) << c.text;
  }
}

}  // namespace
}  // namespace install
