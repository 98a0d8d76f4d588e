// The frame every export runs in, and the built library loaded by path, as
// a setup program loads it and calls its exports: what each returns, what it
// leaves in the caller's text, the integer and the folder, the one line the
// diagnostic log (INSTALL_LOG) then holds, and that nothing, loading and
// unloading included, stores a value.
#include <cstring>
#include <optional>
#include <regex>

#include "config/edit_request.h"
#include "config/line_append.h"
#include "entry/frame.h"
#include "library.h"
#include "platform/fault_injection.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "support/system_state.h"
#include "support/test_files.h"
#include "utilities/dir_size.h"

namespace install::testing {
namespace {

using namespace std::string_literals;
constexpr std::int64_t kNull = INT64_MIN, kToken = INSTALL_ACCESS_TOKEN;
const std::string kNullText = "<null>", kConfig = "MDOP\r\nPlugin A.dll\r\n";
const std::string kWhenAndWho = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z pid=\d+ )";

// A twin's function, declared here since the header declares them only on Windows.
using WideExport = std::int32_t(INSTALL_CALL*)(void*, std::int32_t*, wchar_t*);

// The code points of UTF-8 `text`, surrogates written as three bytes
// included, one per UTF-16 unit (the tests use none above U+FFFF).
std::u32string Utf32(const std::string& text) {
  std::u32string units;
  for (std::size_t i = 0, length; i < text.size(); i += length) {
    const auto lead = static_cast<unsigned char>(text[i]);
    length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    char32_t unit = length == 1 ? lead : lead & (length == 2 ? 0x1F : 0x0F);
    for (std::size_t k = 1; k < length; ++k) unit = unit << 6 | (text[i + k] & 0x3F);
    units.push_back(unit);
  }
  return units;
}

// The folder holds host.cfg and blocked.cfg, whose temporary name a folder
// with a 5000-byte file in it takes, so that its removal fails. A log named
// "fifo" is a FIFO that nobody reads (where the system has FIFOs).
struct Call {
  const char* function;
  std::int64_t token;  // or kNull
  std::string text;    // "@" stands for the folder; or kNullText
  std::int32_t result;
  std::string text_after = "";  // empty: as before
  std::string host_after = kConfig;
  const char* log = nullptr;  // the log's name in the folder; null: INSTALL_LOG unset
  std::string log_line = "";  // the whole line, as a pattern; empty: no log file at all
};

TEST(Exports, EachCallAnswersAndChangesOnlyWhatItShould) {
  std::vector<Call> calls = {
      // An edit request splits the caller's text at the first star after the path;
      // the rest, blanks and stars included, is the operand.
      {"ExZKCFG_AppendBuffer", kToken, "***@host.cfg* Plugin a*b.dll ", 0,
       "***@host.cfg\0 Plugin a*b.dll "s, kConfig + " Plugin a*b.dll \r\n"},
      {"ExZKCFG_AppendBuffer", kToken, "@host.cfg**", 0, "@host.cfg\0*"s, kConfig + "*\r\n"},
      {"ExZKCFG_RemovePluginRefs", kToken, "*@host.cfg*a.dll", 0, "*@host.cfg\0a.dll"s,
       "MDOP \r\n"},
      {"ExZKCFG_RemovePluginRefs", kToken, "@host.cfg*a.dll*", 0, "@host.cfg\0a.dll*"s,
       "MDOP \r\nPlugin A.dll\r\n"},
      {"ExZKCFG_AppendBuffer", kToken, "@host.cfg*", 6, "@host.cfg\0"s},
      {"ExZKCFG_AppendBuffer", kToken, "", 1},
      {"ExZKCFG_RemovePluginRefs", kToken, "***", 1},
      {"ExZKCFG_AppendBuffer", kToken, kNullText, INSTALL_EDIT_NOT_READABLE},
      {"AreYouThere", kNull, kNullText, 1},
      // The workers are reached: sizes are not gated, the spawns are; a start
      // answers as WinExec does, for nothing to start and for a data file.
      {"GetDirSizeKB", kNull, "@", 4},
      {"GetDirSizeKB", kToken + 1, "@", 4},
      {"DOSSpawn", kToken, "exit 7", 7},
      {"WINSpawn", kToken, "no-such-program-4c1d", 2},
      {"WINSpawn", kToken, "\"@host.cfg\"", 11},
      // The log: one line per call, naming a failed step; it never changes the call.
      // clang-format off
      {"ExZKCFG_RemovePluginRefs", kToken, "@host.cfg", 6, "", kConfig, "log", R"re(ExZKCFG_RemovePluginRefs token=accepted text=".+host\.cfg" result=6 failed="read the request" reason="no \\"\*\\" after the file's path")re"},
      {"WINSpawn", kToken, "", 2, "", kConfig, "log", R"re(WINSpawn token=accepted text="" result=2 failed="start the program" reason="the command line names no program")re"},
      {"ExZKCFG_RemovePluginRefs", kToken, "@blocked.cfg*a", 6, "@blocked.cfg\0a"s, kConfig, "log", R"re(ExZKCFG_RemovePluginRefs token=accepted text=".+blocked\.cfg\*a" result=6 failed="create the temporary file" reason=".+ \((errno|error) \d+\)")re"},
      {"ExZKCFG_RemovePluginRefs", kToken, "@blocked.cfg*a", 6, "@blocked.cfg\0a"s, kConfig, "missing/log"},
      {"ExZKCFG_RemovePluginRefs", kToken, "@blocked.cfg*a", 6, "@blocked.cfg\0a"s, kConfig, "fifo"},
      {"ExZKCFG_AppendBuffer", 0, "@host.cfg*Plugin X", 0, "", kConfig, "log", R"re(ExZKCFG_AppendBuffer token=refused text=".+host\.cfg\*Plugin X" result=0)re"},
      {"AreYouThere", 0, "\t\"" + std::string(600, 'x'), 1, "", kConfig, "log", R"re(AreYouThere token=not-gated text="\\x09\\"x{510}" text_bytes=602 result=1)re"},
      // Only through a Unicode twin (Windows): an operand goes to the file in
      // the ANSI code page (here 1252) or not at all; an unpaired surrogate
      // (written here as its three bytes) is refused; the log is UTF-8.
      {"ExZKCFG_AppendBufferW", kToken, "@host.cfg*Plugin Zoë.dll", 0, "@host.cfg\0Plugin Zoë.dll"s, kConfig + "Plugin Zo\xEB.dll\r\n"},
      {"ExZKCFG_AppendBufferW", kToken, "@host.cfg*Plugin Łódź.dll", 6, "@host.cfg\0Plugin Łódź.dll"s, kConfig, "log", R"re(ExZKCFG_AppendBufferW token=accepted text=".+host\.cfg\*Plugin Łódź\.dll" result=6 failed="read the operand" reason="the ANSI code page \(1252\) has no byte for U\+0141 \(character 8\)")re"},
      {"ExZKCFG_RemovePluginRefsW", kToken, "@host.cfg*A\xED\xB0\x80", 6, "@host.cfg\0A\xED\xB0\x80"s},
      {"DOSSpawnW", kToken, "exit 7\xED\xA0\x80", -1, "", kConfig, "log", R"re(DOSSpawnW token=accepted text="exit 7\xEF\xBF\xBD" result=-1 failed="read the text" reason="it holds an unpaired surrogate, U\+D800 \(character 7\)")re"},
      {"WINSpawnW", kToken, "\xED\xA0\x80", 0},
      // clang-format on
  };
  // A wrong token or none is refused with no side effect at all, whatever the
  // text: an edit request, or a command that leaves a marker in either shell.
#define INSTALL_GATED_ROW(name, gated, refusal, failure, wide) {gated ? #name : nullptr, refusal},
  const std::pair<const char*, std::int32_t> exports[] = {INSTALL_EXPORT_TABLE(INSTALL_GATED_ROW)};
#undef INSTALL_GATED_ROW
  for (const auto& [function, refusal] : exports)
    for (std::int64_t token : {std::int64_t{0}, kToken + 1, kToken - 1, -kToken, kNull})
      for (const char* text : {"@host.cfg*a", "echo refused > @marker"})
        if (function != nullptr) calls.push_back({function, token, text, refusal});
  std::optional<installctl::InstallLibrary> library(std::in_place);
  std::string error;
  ASSERT_TRUE(library->Load(installctl::InstallLibrary::DefaultPath(), &error)) << error;
  // Each row runs through the export and, where it has one, its Unicode twin
  // with the same text in UTF-16: the same answer, buffer, files and log. A
  // logged call leaves the same error code as the same call unlogged.
  for (const Call& row : calls) {
    const bool twin_only = row.function[std::strlen(row.function) - 1] == 'W';
    for (bool wide : {false, true}) {
      if (!wide && twin_only) continue;
      Call c = row;
      std::string name = c.function;
      if (wide && !twin_only) name += "W";
      if (wide && !c.log_line.empty() && !twin_only) c.log_line.insert(name.size() - 1, "W");
      SCOPED_TRACE(name + " " + c.text + " " + std::to_string(c.token));
      const InstallExportFn function = library->Find(name.c_str());
      const auto wide_function = library->Find<WideExport>(name.c_str());
      if (wide && wide_function == nullptr) continue;  // the POSIX library has no twins
      ASSERT_TRUE(wide || function != nullptr);
      // The caller's text, "@" replaced, as the call sees its units: bytes,
      // or the twin's UTF-16 units.
      const auto units = [&](const TempFolder& where, const std::string& text) {
        const std::string bytes = std::regex_replace(text, std::regex("@"), where.File(""));
        return wide ? Utf32(bytes) : std::u32string(bytes.begin(), bytes.end());
      };
      struct Outcome {
        std::int32_t result;
        int system_error;  // as the call left it
        std::u32string text_after;
      };
      // Runs the row in `folder`, logging to `log` there when it is not null.
      const auto run = [&](const TempFolder& folder, const char* log) {
        WriteBytes(folder.path() / "host.cfg", kConfig);
        WriteBytes(folder.path() / "blocked.cfg", kConfig);
        MakeSizedFile(folder.path() / "blocked.TMP" / "inside", 5000);
        const std::u32string text = units(folder, c.text);
        std::vector<char> narrow_buffer(text.begin(), text.end() + 1);
        std::vector<wchar_t> wide_buffer(text.begin(), text.end() + 1);
        Outcome out{};
        std::int32_t token = static_cast<std::int32_t>(c.token);
        std::int32_t* const integer = c.token == kNull ? nullptr : &token;
        const bool null_text = c.text == kNullText;
        installctl::SetEnvironmentValue(INSTALL_LOG_VARIABLE,
                                        log ? folder.File(log).c_str() : nullptr);
        out.result = wide
                         ? wide_function(nullptr, integer, null_text ? nullptr : wide_buffer.data())
                         : function(nullptr, integer, null_text ? nullptr : narrow_buffer.data());
        out.system_error = LastSystemError();
        installctl::SetEnvironmentValue(INSTALL_LOG_VARIABLE, nullptr);
        EXPECT_EQ(token, static_cast<std::int32_t>(c.token)) << "the integer was written";
        out.text_after = wide ? std::u32string(wide_buffer.begin(), wide_buffer.end() - 1)
                              : std::u32string(narrow_buffer.begin(), narrow_buffer.end() - 1);
        return out;
      };
      TempFolder folder, unlogged_folder;
      const bool fifo_log = c.log != nullptr && std::string(c.log) == "fifo";
      if (fifo_log && !MakeFifo(folder.File(c.log))) continue;
      const Outcome outcome = run(folder, c.log);
      EXPECT_EQ(outcome.result, c.result);
      if (c.log != nullptr) {
        EXPECT_EQ(run(unlogged_folder, nullptr).system_error, outcome.system_error);
      }
      EXPECT_EQ(outcome.text_after, units(folder, c.text_after.empty() ? c.text : c.text_after));
      EXPECT_EQ(ReadBytes(folder.path() / "host.cfg"), c.host_after);
      EXPECT_EQ(ReadBytes(folder.path() / "blocked.cfg"), kConfig);
      std::set<std::string> listing{"host.cfg", "blocked.cfg", "blocked.TMP"};
      if (fifo_log) listing.insert(c.log);
      if (!c.log_line.empty()) {
        listing.insert(c.log);
        const std::string log = ReadBytes(folder.File(c.log));
        EXPECT_TRUE(std::regex_match(log, std::regex(kWhenAndWho + c.log_line + "\r?\n"))) << log;
      }
      EXPECT_EQ(Listing(folder.path()), listing);
    }
  }
  library.reset();  // unloaded, as when setup ends
  for (const char* name : {"UserName", "CompanyName"}) {
    std::string value;
    EXPECT_EQ(
        platform::ReadUserSettingForTesting({"Halvemark", "Installation"}, "", name, &value).error,
        platform::Error::kNotFound)
        << name << " = " << value;
  }
}

constexpr ExportRule kGated{true, -1, 6}, kOpen{false, 0, 7};
constexpr std::int32_t kWorkResult = 42;

// `result` kWorkResult: the work ran and answered. A copy of the text that
// cannot be allocated answers the failure value and runs no work.
TEST(Frame, TheWorkRunsInTheLibrarysContextOnlyForTheTokenAndTheCallersComesBack) {
  EXPECT_NE(AfxGetModuleState(), AfxGetStaticModuleState()) << "no switch before a call";
  const struct {
    const char* what;
    const ExportRule& rule;
    std::int64_t integer;  // or kNull
    bool copy_fails;
    std::int32_t result;
  } cases[] = {
      {"a gated call with the token runs", kGated, kToken, false, kWorkResult},
      {"a gated call without the memory to copy its text fails", kGated, kToken, true, 6},
      {"a gated call with a wrong token is refused", kGated, kToken | (1 << 30), false, -1},
      {"an open call runs", kOpen, kNull, false, kWorkResult},
      {"an open call without the memory to copy its text fails", kOpen, kNull, true, 7},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::int32_t integer = static_cast<std::int32_t>(c.integer);
    AFX_MODULE_STATE callers_own;
    AFX_MAINTAIN_STATE caller(&callers_own);
    AFX_MODULE_STATE* seen = nullptr;
    platform::CallNotes notes;
    if (c.copy_fails) platform::InjectFaultForTesting(platform::FaultPoint::kAllocate, {});
    const std::int32_t result =
        RunExportOnText(c.rule, c.integer == kNull ? nullptr : &integer, "text", [&](const char*) {
          seen = AfxGetModuleState();
          return kWorkResult;
        });
    platform::ClearFaultsForTesting();
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(seen, result == kWorkResult ? AfxGetStaticModuleState() : nullptr);
    EXPECT_EQ(AfxGetModuleState(), &callers_own);
    EXPECT_EQ(notes.reason(), c.copy_fails ? platform::kOutOfMemory : "");
  }
}

// The allocations whose size the caller's text or the tree decides, counted
// from the first of the call: when the nth is refused, the call answers its
// failure value, changes nothing, and the log names the step and the reason.
TEST(Frame, EachAllocationTheCallersTextOrTheTreeSizesCanFailWithTheFailureValue) {
  enum Export { kAppend, kMeasure };
  const struct {
    const char* what;
    Export call;
    int nth;  // 0: none refused
    std::int32_t result;
    const char* failed_step;
  } cases[] = {
      {"the copy of the request's path", kAppend, 1, INSTALL_EDIT_FILE_FAILED, "copy the text"},
      {"the copy of the operand", kAppend, 2, INSTALL_EDIT_FILE_FAILED, "copy the operand"},
      {"the line being assembled", kAppend, 3, INSTALL_EDIT_FILE_FAILED, "assemble the line"},
      {"with nothing refused the line is appended", kAppend, 0, INSTALL_EDIT_DONE, ""},
      {"the copy of the tree's path", kMeasure, 1, 0, "copy the text"},
      {"the walk's first level", kMeasure, 2, 0, "go down the tree"},
      {"the walk's next level", kMeasure, 3, 0, "go down the tree"},
      {"with nothing refused the tree is measured", kMeasure, 0, 2, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    WriteBytes(folder.path() / "host.cfg", kConfig);
    std::filesystem::create_directory(folder.path() / "sub");
    WriteBytes(folder.path() / "sub" / "file", std::string(2048, 'x'));
    std::string request = folder.File("host.cfg") + "*line";
    std::int32_t token = INSTALL_ACCESS_TOKEN;
    platform::CallNotes notes;
    if (c.nth != 0) platform::InjectFaultForTesting(platform::FaultPoint::kAllocate, {}, c.nth);
    const std::int32_t result =
        c.call == kAppend ? RunExport(kExZKCFG_AppendBufferRule, &token, request.data(),
                                      [&] { return RunEditRequest(request.data(), AppendLine); })
                          : RunExportOnText(kGetDirSizeKBRule, nullptr,
                                            folder.path().string().c_str(), utilities::DirSizeKB);
    platform::ClearFaultsForTesting();
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(notes.failed_step(), c.failed_step);
    EXPECT_EQ(notes.reason(), c.nth != 0 ? platform::kOutOfMemory : "");
    const bool appended = c.call == kAppend && result == INSTALL_EDIT_DONE;
    EXPECT_EQ(ReadBytes(folder.path() / "host.cfg"), kConfig + (appended ? "line\r\n" : ""));
  }
}

}  // namespace
}  // namespace install::testing
