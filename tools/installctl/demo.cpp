#include "demo.h"

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace installctl {
namespace fs = std::filesystem;

std::int32_t DemoSession::Call(const char* name, const std::string& text,
                               std::int32_t value) const {
  InstallExportFn function = library_.Find(name);
  if (function == nullptr) {
    std::printf("  (the library does not export %s)\n", name);
    return -1;
  }
  if (value == INSTALL_ACCESS_TOKEN)
    std::printf("> %s(NULL, &token, \"%s\")\n", name, text.c_str());
  else
    std::printf("> %s(NULL, &%" PRId32 ", \"%s\")\n", name, value, text.c_str());
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  const std::int32_t result = function(nullptr, &value, buffer.data());
  std::printf("  = %" PRId32 "\n", result);
  return result;
}

void WriteFile(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

// Prints a file line by line with its line ends spelled out, since the
// exact bytes are the point.
void ShowFile(const char* title, const fs::path& file) {
  std::printf("  %s (%s):\n", title, file.filename().string().c_str());
  std::ifstream in(file, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    const bool has_line_feed = end != std::string::npos;
    if (!has_line_feed) end = bytes.size();
    std::size_t text_end = end;
    const bool has_cr = has_line_feed && text_end > start && bytes[text_end - 1] == '\r';
    if (has_cr) --text_end;
    std::printf("    | %s%s\n", bytes.substr(start, text_end - start).c_str(),
                has_cr          ? "  [CR LF]"
                : has_line_feed ? "  [LF]"
                                : "  [no line end]");
    start = has_line_feed ? end + 1 : end;
  }
  if (bytes.empty()) std::printf("    (empty)\n");
}

const char* EditResultMeaning(std::int32_t result) {
#define INSTALL_DEMO_MEANING(name, value, meaning) \
  if (result == value) return meaning;
  INSTALL_EDIT_RESULT_TABLE(INSTALL_DEMO_MEANING)
#undef INSTALL_DEMO_MEANING
  return "not a configuration edit result";
}

void Section(const char* title) { std::printf("\n== %s\n", title); }

std::int32_t EditAndShow(const DemoSession& session, const char* name, const fs::path& file,
                         const std::string& operand, std::int32_t value) {
  ShowFile("before", file);
  const std::int32_t result = session.Call(name, file.string() + "*" + operand, value);
  std::printf("  %s\n", value == INSTALL_ACCESS_TOKEN ? EditResultMeaning(result)
                                                      : "refused: nothing was touched");
  ShowFile("after", file);
  return result;
}

int RunDemo(const InstallLibrary& library) {
  std::string utf8_folder;
  if (!MakePrivateFolder(&utf8_folder)) {
    std::fprintf(stderr, "installctl: cannot create a folder for the demo\n");
    return 1;
  }
  const fs::path folder(std::u8string(utf8_folder.begin(), utf8_folder.end()));
  std::error_code error;
  std::printf("Install library demo, working in %s\n", folder.string().c_str());
  DemoSession session(library, folder);

  Section("Presence probe");
  session.Call("AreYouThere", "");

  DemoConfigEditing(session);
  DemoPluginRemoval(session);
  DemoUtilities(session);

  fs::remove_all(folder, error);
  return 0;
}

}  // namespace installctl
