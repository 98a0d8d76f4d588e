// The exports through the shared library, as a setup program calls them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "install.h"
#include "support/test_files.h"

namespace {

using install::testing::ReadBytes;
using install::testing::TempFolder;
using install::testing::WriteBytes;

struct GatedExport {
  const char* name;
  InstallExportFn function;
  std::int32_t refusal;
};

std::vector<GatedExport> GatedExports() {
  std::vector<GatedExport> gated;
#define INSTALL_GATED_ROW(name, is_gated, refusal, failure) \
  if (is_gated) gated.push_back({#name, name, refusal});
  INSTALL_EXPORT_TABLE(INSTALL_GATED_ROW)
#undef INSTALL_GATED_ROW
  return gated;
}

std::set<std::string> Listing(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

TEST(Exports, AWrongTokenIsRefusedWithNoSideEffectAtAll) {
  const std::string config_bytes = "ZKCO 1\r\n0\r\nPlugin Render.dll\r\n";
  const std::int32_t wrong_values[] = {0, INSTALL_ACCESS_TOKEN + 1, INSTALL_ACCESS_TOKEN - 1, -1};
  for (const GatedExport& gated : GatedExports()) {
    for (std::int32_t value : wrong_values) {
      TempFolder folder;
      const std::string config = folder.File("host.cfg");
      WriteBytes(config, config_bytes);
      // A text every gated export would act on: an edit request, and a
      // command that leaves a marker in both command interpreters.
      const std::string texts[] = {config + "*Plugin Render.dll",
                                   "echo refused > " + folder.File("marker")};
      for (const std::string& text : texts) {
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        const std::vector<char> before = buffer;
        std::int32_t integer = value;

        EXPECT_EQ(gated.function(nullptr, &integer, buffer.data()), gated.refusal)
            << gated.name << " with " << value;
        EXPECT_EQ(buffer, before) << gated.name << ": the caller's text was touched";
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
  EXPECT_EQ(AreYouThere(nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(AreYouThere(reinterpret_cast<void*>(0x1234), nullptr, text), 1);
}

TEST(Exports, AppendBufferSplitsTheCallersBufferAndAppendsTheOperandWhole) {
  TempFolder folder;
  const std::string config = folder.File("host.cfg");
  WriteBytes(config, "MDOP\r\n");
  std::string text = "**" + config + "*Plugin a*b.dll";
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  std::int32_t token = INSTALL_ACCESS_TOKEN;

  EXPECT_EQ(ExZKCFG_AppendBuffer(nullptr, &token, buffer.data()), INSTALL_EDIT_DONE);
  EXPECT_EQ(ReadBytes(config), "MDOP\r\nPlugin a*b.dll\r\n");
  EXPECT_EQ(std::string(buffer.data()), "**" + config)
      << "the caller's buffer reads as the path alone, leading stars kept";
  EXPECT_EQ(std::string(buffer.data() + text.find("Plugin")), "Plugin a*b.dll");
}

TEST(Exports, AppendBufferWithANullTextIsAnEmptyRequest) {
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  EXPECT_EQ(ExZKCFG_AppendBuffer(nullptr, &token, nullptr), INSTALL_EDIT_NOT_READABLE);
}

}  // namespace
