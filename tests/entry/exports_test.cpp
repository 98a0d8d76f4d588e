// The exports through the shared library, as a setup program calls them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
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

TEST(Exports, AWrongTokenIsRefusedWithNoSideEffectAtAll) {
  const std::string config_bytes = "ZKCO 1\r\n0\r\nPlugin Render.dll\r\n";
  const std::int32_t wrong_values[] = {0, INSTALL_ACCESS_TOKEN + 1, -1};
  struct Gated {
    const char* name;
    InstallExportFn function;
    std::int32_t refusal;
  };
#define INSTALL_GATED_ROW(name, is_gated, refusal, failure) \
  {#name, is_gated ? name : nullptr, refusal},
  const Gated exports[] = {INSTALL_EXPORT_TABLE(INSTALL_GATED_ROW)};
#undef INSTALL_GATED_ROW
  for (const Gated& gated : exports) {
    if (gated.function == nullptr) continue;
    for (std::int32_t value : wrong_values) {
      TempFolder folder;
      const std::string config = folder.File("host.cfg");
      WriteBytes(config, config_bytes);
      // A text every gated export would act on: an edit request, and a
      // command that leaves a marker in both command interpreters.
      for (const std::string& text :
           {config + "*Plugin Render.dll", "echo refused > " + folder.File("marker")}) {
        std::vector<char> buffer = Buffer(text);
        std::int32_t integer = value;
        EXPECT_EQ(gated.function(nullptr, &integer, buffer.data()), gated.refusal)
            << gated.name << " with " << value;
        EXPECT_EQ(buffer, Buffer(text)) << gated.name << ": the caller's text was touched";
        EXPECT_EQ(integer, value) << gated.name << ": the integer was written";
      }
      EXPECT_EQ(ReadBytes(config), config_bytes) << gated.name;
      EXPECT_EQ(Listing(folder.path()), std::set<std::string>{"host.cfg"}) << gated.name;
    }
    char text[] = "x*y";
    EXPECT_EQ(gated.function(nullptr, nullptr, text), gated.refusal)
        << gated.name << ": a null integer pointer is a refused token";
  }
}

TEST(Exports, AreYouThereAnswersOneWhateverItIsGiven) {
  std::int32_t values[] = {0, INSTALL_ACCESS_TOKEN, -1};
  char text[] = "anything";
  for (std::int32_t& value : values) EXPECT_EQ(AreYouThere(nullptr, &value, text), 1);
  EXPECT_EQ(AreYouThere(reinterpret_cast<void*>(0x1234), nullptr, nullptr), 1);
}

// "@" in a row stands for the configuration file's path.
TEST(Exports, EditRequestsSplitTheCallersBufferAtTheFirstStarAfterThePath) {
  using namespace std::string_literals;
  const std::string before = "MDOP\r\nPlugin A.dll\r\n";
  struct Case {
    InstallExportFn function;
    std::string text;
    std::int32_t result;
    std::string buffer_after;
    std::string file_after;
  } cases[] = {
      {ExZKCFG_AppendBuffer, "@*Render", 0, "@\0Render"s, before + "Render\r\n"},
      {ExZKCFG_AppendBuffer, "***@*Plugin a*b.dll", 0, "***@\0Plugin a*b.dll"s,
       before + "Plugin a*b.dll\r\n"},
      {ExZKCFG_AppendBuffer, "@* lead and trail ", 0, "@\0 lead and trail "s,
       before + " lead and trail \r\n"},
      {ExZKCFG_AppendBuffer, "@**", 0, "@\0*"s, before + "*\r\n"},
      {ExZKCFG_RemovePluginRefs, "*@*a.dll", 0, "*@\0a.dll"s, "MDOP \r\n"},
      {ExZKCFG_RemovePluginRefs, "@*a.dll*", 0, "@\0a.dll*"s, "MDOP \r\nPlugin A.dll\r\n"},
      {ExZKCFG_AppendBuffer, "@*", 6, "@\0"s, before},
      {ExZKCFG_RemovePluginRefs, "@", 6, "@", before},
      {ExZKCFG_AppendBuffer, "", 1, "", before},
      {ExZKCFG_RemovePluginRefs, "***", 1, "***", before},
  };
  const auto with_path = [](std::string text, const std::string& path) {
    const std::size_t at = text.find('@');
    return at == std::string::npos ? text : text.replace(at, 1, path);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TempFolder folder;
    const std::string config = folder.File("host.cfg");
    WriteBytes(config, before);
    std::vector<char> buffer = Buffer(with_path(c.text, config));
    std::int32_t token = INSTALL_ACCESS_TOKEN;
    EXPECT_EQ(c.function(nullptr, &token, buffer.data()), c.result);
    EXPECT_EQ(std::string(buffer.data(), buffer.size() - 1), with_path(c.buffer_after, config));
    EXPECT_EQ(ReadBytes(config), c.file_after);
    EXPECT_EQ(Listing(folder.path()), std::set<std::string>{"host.cfg"});
  }
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  EXPECT_EQ(ExZKCFG_AppendBuffer(nullptr, &token, nullptr), INSTALL_EDIT_NOT_READABLE);
}

}  // namespace
