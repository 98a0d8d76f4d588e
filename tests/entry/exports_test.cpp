// The exports through the shared library, as a setup program calls them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install.h"
#include "support/test_files.h"

namespace {

using install::testing::Buffer;
using install::testing::Listing;
using install::testing::ReadBytes;
using install::testing::TempFolder;
using install::testing::WriteBytes;
using Names = std::set<std::string>;
constexpr char kConfig[] = "MDOP\r\nPlugin A.dll\r\n";

TEST(Exports, AWrongTokenIsRefusedWithNoSideEffectAtAll) {
#define INSTALL_GATED_ROW(name, gated, refusal, failure) {#name, gated ? name : nullptr, refusal},
  const struct {
    const char* name;
    InstallExportFn function;
    std::int32_t refusal;
  } exports[] = {INSTALL_EXPORT_TABLE(INSTALL_GATED_ROW)};
#undef INSTALL_GATED_ROW
  for (const auto& gated : exports) {
    if (gated.function == nullptr) continue;
    for (std::int32_t value : {0, INSTALL_ACCESS_TOKEN + 1, -1}) {
      TempFolder folder;
      const std::string config = folder.File("host.cfg");
      WriteBytes(config, kConfig);
      // A text every gated export would act on: an edit request, and a
      // command that leaves a marker in both command interpreters.
      for (const std::string& text : {config + "*a", "echo refused > " + folder.File("marker")}) {
        std::vector<char> buffer = Buffer(text);
        std::int32_t integer = value;
        EXPECT_EQ(gated.function(nullptr, &integer, buffer.data()), gated.refusal) << gated.name;
        EXPECT_EQ(gated.function(nullptr, nullptr, buffer.data()), gated.refusal) << gated.name;
        EXPECT_EQ(buffer, Buffer(text)) << gated.name << ": the caller's text was touched";
        EXPECT_EQ(integer, value) << gated.name << ": the integer was written";
      }
      EXPECT_EQ(ReadBytes(config), kConfig) << gated.name;
      EXPECT_EQ(Listing(folder.path()), Names{"host.cfg"}) << gated.name;
    }
  }
}

TEST(Exports, AreYouThereAnswersOneWhateverItIsGiven) {
  std::int32_t zero = 0;
  char text[] = "anything";
  EXPECT_EQ(AreYouThere(nullptr, &zero, text), 1);
  EXPECT_EQ(AreYouThere(reinterpret_cast<void*>(0x1234), nullptr, nullptr), 1);
}

// "@" in a row stands for the configuration file's path.
TEST(Exports, EditRequestsSplitTheCallersBufferAtTheFirstStarAfterThePath) {
  using namespace std::string_literals;
  const std::string kept = kConfig;
  const struct {
    InstallExportFn function;
    std::string text;
    std::int32_t result;
    std::string buffer_after;
    std::string file_after;
  } cases[] = {
      {ExZKCFG_AppendBuffer, "***@*Plugin a*b.dll", 0, "***@\0Plugin a*b.dll"s,
       kept + "Plugin a*b.dll\r\n"},
      {ExZKCFG_AppendBuffer, "@* lead and trail ", 0, "@\0 lead and trail "s,
       kept + " lead and trail \r\n"},
      {ExZKCFG_AppendBuffer, "@**", 0, "@\0*"s, kept + "*\r\n"},
      {ExZKCFG_RemovePluginRefs, "*@*a.dll", 0, "*@\0a.dll"s, "MDOP \r\n"},
      {ExZKCFG_RemovePluginRefs, "@*a.dll*", 0, "@\0a.dll*"s, "MDOP \r\nPlugin A.dll\r\n"},
      {ExZKCFG_AppendBuffer, "@*", 6, "@\0"s, kept},
      {ExZKCFG_RemovePluginRefs, "@", 6, "@", kept},
      {ExZKCFG_AppendBuffer, "", 1, "", kept},
      {ExZKCFG_RemovePluginRefs, "***", 1, "***", kept},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TempFolder folder;
    const std::string config = folder.File("host.cfg");
    const auto with_path = [&](std::string text) {
      return text.find('@') == std::string::npos ? text : text.replace(text.find('@'), 1, config);
    };
    WriteBytes(config, kConfig);
    std::vector<char> buffer = Buffer(with_path(c.text));
    std::int32_t token = INSTALL_ACCESS_TOKEN;
    EXPECT_EQ(c.function(nullptr, &token, buffer.data()), c.result);
    EXPECT_EQ(std::string(buffer.data(), buffer.size() - 1), with_path(c.buffer_after));
    EXPECT_EQ(ReadBytes(config), c.file_after);
    EXPECT_EQ(Listing(folder.path()), Names{"host.cfg"});
  }
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  EXPECT_EQ(ExZKCFG_AppendBuffer(nullptr, &token, nullptr), INSTALL_EDIT_NOT_READABLE);
}

}  // namespace
