#include "config/host_line.h"

#include <gtest/gtest.h>

namespace install::config {
namespace {

TEST(HostLineTest, SplitsKeyAndRest) {
  struct Case {
    std::string_view line, key, rest;
  } cases[] = {
      {"", "", ""},
      {"    ", "", ""},
      {"Key", "Key", ""},
      {"Key ", "Key", ""},
      {"Key  ", "Key", " "},
      {"  Key rest of it", "Key", "rest of it"},
      {"Key\trest", "Key\trest", ""},
      {"Key \t rest\t", "Key", "\t rest\t"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.line));
    KeyRest parts = SplitKeyRest(c.line);
    EXPECT_EQ(parts.key, c.key);
    EXPECT_EQ(parts.rest, c.rest);
  }
}

TEST(HostLineTest, HeaderCheckFollowsTheStateTable) {
  struct Case {
    std::vector<std::string_view> keys;
    std::vector<LineRole> roles;
  } cases[] = {
      {{"ZKCO", "0", "Plugin", "ZKCO"},
       {LineRole::kHeader, LineRole::kHeader, LineRole::kBody, LineRole::kBody}},
      {{"MDOP", "0", "MDOP"}, {LineRole::kHeader, LineRole::kBody, LineRole::kBody}},
      {{"ZKCO", "MDOP"}, {LineRole::kHeader, LineRole::kBadSecondHeader}},
      {{"ZKCO", ""}, {LineRole::kHeader, LineRole::kBadSecondHeader}},
      {{""}, {LineRole::kNotHostFile}},
      {{"0"}, {LineRole::kNotHostFile}},
      {{"Mdop"}, {LineRole::kNotHostFile}},
  };
  for (const auto& c : cases) {
    HeaderCheck check;
    for (std::size_t i = 0; i < c.keys.size(); ++i) {
      SCOPED_TRACE(std::string(c.keys[0]) + " line " + std::to_string(i));
      EXPECT_EQ(check.Classify(c.keys[i]), c.roles[i]);
    }
  }
}

}  // namespace
}  // namespace install::config
