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
#include "utilities/spawn.h"

namespace install::testing {
namespace {

using namespace std::string_literals;
constexpr std::int64_t kNull = INT64_MIN, kToken = INSTALL_ACCESS_TOKEN;
// The row folder's size: host.cfg and blocked.cfg, and 5000 bytes in blocked.TMP.
constexpr std::int32_t kFolderKb = 4;
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
  const char* checks;  // what the row shows, in words
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
      {"an append splits at the first star after the path; blanks and stars go on",
       "ExZKCFG_AppendBuffer", kToken, "***@host.cfg* Plugin a*b.dll ", INSTALL_EDIT_DONE,
       "***@host.cfg\0 Plugin a*b.dll "s, kConfig + " Plugin a*b.dll \r\n"},
      {"an append of a lone star", "ExZKCFG_AppendBuffer", kToken, "@host.cfg**", INSTALL_EDIT_DONE,
       "@host.cfg\0*"s, kConfig + "*\r\n"},
      {"a removal after leading stars", "ExZKCFG_RemovePluginRefs", kToken, "*@host.cfg*a.dll",
       INSTALL_EDIT_DONE, "*@host.cfg\0a.dll"s, "MDOP \r\n"},
      {"a removal whose name holds a star matches no line", "ExZKCFG_RemovePluginRefs", kToken,
       "@host.cfg*a.dll*", INSTALL_EDIT_DONE, "@host.cfg\0a.dll*"s, "MDOP \r\nPlugin A.dll\r\n"},
      {"an append with nothing after the star", "ExZKCFG_AppendBuffer", kToken, "@host.cfg*",
       INSTALL_EDIT_FILE_FAILED, "@host.cfg\0"s},
      {"a removal of stars alone names no file", "ExZKCFG_RemovePluginRefs", kToken, "***",
       INSTALL_EDIT_NOT_READABLE},
      {"a null text is the empty text", "ExZKCFG_AppendBuffer", kToken, kNullText,
       INSTALL_EDIT_NOT_READABLE},
      {"AreYouThere answers without a token", "AreYouThere", kNull, kNullText, 1},
      {"sizes are not gated (a wrong token)", "GetDirSizeKB", kToken + 1, "@", kFolderKb},
      {"a command's exit code comes back", "DOSSpawn", kToken, "exit 7", 7},
      {"a start of nothing that exists", "WINSpawn", kToken, "no-such-program-4c1d",
       utilities::kStartFileNotFound},
      {"a start of a data file", "WINSpawn", kToken, "\"@host.cfg\"",
       utilities::kStartNotExecutable},
      // The log: one line per call, naming a failed step; it never changes the call.
      {"the log names a request without a star", "ExZKCFG_RemovePluginRefs", kToken, "@host.cfg",
       INSTALL_EDIT_FILE_FAILED, "", kConfig, "log",
       R"re(ExZKCFG_RemovePluginRefs token=accepted text=".+host\.cfg" result=6 )re"
       R"re(failed="read the request" reason="no \\"\*\\" after the file's path")re"},
      {"the log names an empty command line", "WINSpawn", kToken, "", utilities::kStartFileNotFound,
       "", kConfig, "log",
       R"re(WINSpawn token=accepted text="" result=2 failed="start the program" )re"
       R"re(reason="the command line names no program")re"},
      {"the log gives the system's reason for a failed temporary", "ExZKCFG_RemovePluginRefs",
       kToken, "@blocked.cfg*a", INSTALL_EDIT_FILE_FAILED, "@blocked.cfg\0a"s, kConfig, "log",
       R"re(ExZKCFG_RemovePluginRefs token=accepted text=".+blocked\.cfg\*a" result=6 )re"
       R"re(failed="create the temporary file" reason=".+ \((errno|error) \d+\)")re"},
      {"a log in a missing folder is skipped", "ExZKCFG_RemovePluginRefs", kToken, "@blocked.cfg*a",
       INSTALL_EDIT_FILE_FAILED, "@blocked.cfg\0a"s, kConfig, "missing/log"},
      {"a log that is a FIFO nobody reads is skipped", "ExZKCFG_RemovePluginRefs", kToken,
       "@blocked.cfg*a", INSTALL_EDIT_FILE_FAILED, "@blocked.cfg\0a"s, kConfig, "fifo"},
      {"the log shows a refused token", "ExZKCFG_AppendBuffer", 0, "@host.cfg*Plugin X",
       INSTALL_EDIT_DONE, "", kConfig, "log",
       R"re(ExZKCFG_AppendBuffer token=refused text=".+host\.cfg\*Plugin X" result=0)re"},
      {"the log escapes control characters and cuts a long text", "AreYouThere", 0,
       "\t\"" + std::string(600, 'x'), 1, "", kConfig, "log",
       R"re(AreYouThere token=not-gated text="\\x09\\"x{510}" text_bytes=602 result=1)re"},
      // Only through a Unicode twin (Windows): an operand goes to the file in
      // the ANSI code page (here 1252) or not at all; an unpaired surrogate
      // (written here as its three bytes) is refused; the log is UTF-8.
      {"a twin's operand reaches the file in the ANSI code page", "ExZKCFG_AppendBufferW", kToken,
       "@host.cfg*Plugin Zoë.dll", INSTALL_EDIT_DONE, "@host.cfg\0Plugin Zoë.dll"s,
       kConfig + "Plugin Zo\xEB.dll\r\n"},
      {"a twin's operand the code page cannot hold is refused", "ExZKCFG_AppendBufferW", kToken,
       "@host.cfg*Plugin Łódź.dll", INSTALL_EDIT_FILE_FAILED, "@host.cfg\0Plugin Łódź.dll"s,
       kConfig, "log",
       R"re(ExZKCFG_AppendBufferW token=accepted text=".+host\.cfg\*Plugin Łódź\.dll" result=6 )re"
       R"re(failed="read the operand" )re"
       R"re(reason="the ANSI code page \(1252\) has no byte for U\+0141 \(character 8\)")re"},
      {"a twin's unpaired surrogate is refused (edit)", "ExZKCFG_RemovePluginRefsW", kToken,
       "@host.cfg*A\xED\xB0\x80", INSTALL_EDIT_FILE_FAILED, "@host.cfg\0A\xED\xB0\x80"s},
      {"a twin's unpaired surrogate is refused and logged as U+FFFD", "DOSSpawnW", kToken,
       "exit 7\xED\xA0\x80", utilities::kCommandNotRun, "", kConfig, "log",
       R"re(DOSSpawnW token=accepted text="exit 7\xEF\xBF\xBD" result=-1 failed="read the text" )re"
       R"re(reason="it holds an unpaired surrogate, U\+D800 \(character 7\)")re"},
      {"a twin's unpaired surrogate is refused (start)", "WINSpawnW", kToken, "\xED\xA0\x80",
       utilities::kStartOutOfResources},
  };
  // A wrong token or none is refused with no side effect at all, whatever the
  // text: an edit request, or a command that leaves a marker in either shell.
#define INSTALL_GATED_ROW(name, gated, refusal, failure, wide) {gated ? #name : nullptr, refusal},
  const std::pair<const char*, std::int32_t> exports[] = {INSTALL_EXPORT_TABLE(INSTALL_GATED_ROW)};
#undef INSTALL_GATED_ROW
  for (const auto& [function, refusal] : exports)
    for (std::int64_t token : {std::int64_t{0}, kToken + 1, kToken - 1, -kToken, kNull})
      for (const char* text : {"@host.cfg*a", "echo refused > @marker"})
        if (function != nullptr)
          calls.push_back(
              {"a wrong token is refused with no effect", function, token, text, refusal});
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
      SCOPED_TRACE(std::string(c.checks) + ": " + name + " " + c.text + " token " +
                   std::to_string(c.token));
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

// An ANSI installer for Western Europe passes its own code page's characters
// (1252; the same code points as Latin-1): the path reaches the folder they
// name and the operand goes into the file as the same bytes, both ways.
TEST(Exports, AnAnsiCallersCodePageCharactersReachTheFolderAndTheFile) {
  installctl::InstallLibrary library;
  std::string error;
  ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error)) << error;
  const std::string folder_name =
                        "Gr\xFC\xDF"
                        "e",
                    file_name = "h\xF4st.cfg";
  // The names as the system spells them: UTF-16 on Windows, the bytes on POSIX.
  const auto native = [](const std::string& bytes) {
    if constexpr (std::filesystem::path::preferred_separator == '\\') {
      std::wstring latin1;
      for (unsigned char byte : bytes) latin1 += static_cast<wchar_t>(byte);
      return std::filesystem::path(latin1);
    } else {
      return std::filesystem::path(bytes);
    }
  };
  TempFolder folder;
  const std::filesystem::path host = folder.path() / native(folder_name) / native(file_name);
  std::filesystem::create_directories(host.parent_path());
  WriteBytes(host, kConfig);
  const std::string separator = folder.File("").substr(folder.File("").size() - 1);
  const std::string path = folder.File("") + folder_name + separator + file_name;
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  std::string append = path + "*Plugin Caf\xE9.dll", removal = path + "*Caf\xE9.dll";
  EXPECT_EQ(library.Find("ExZKCFG_AppendBuffer")(nullptr, &token, append.data()),
            INSTALL_EDIT_DONE);
  EXPECT_EQ(ReadBytes(host), kConfig + "Plugin Caf\xE9.dll\r\n");
  EXPECT_EQ(library.Find("ExZKCFG_RemovePluginRefs")(nullptr, &token, removal.data()),
            INSTALL_EDIT_DONE);
  EXPECT_EQ(ReadBytes(host), "MDOP \r\nPlugin A.dll\r\n");
}

// A setup that hands a twin 8-bit text (NSIS "m" where "w" belongs) gets the
// twin's failure, and the log says what the text most likely was.
TEST(Exports, ATwinGivenEightBitTextSaysSoInTheLog) {
  installctl::InstallLibrary library;
  std::string error;
  ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error)) << error;
  const auto twin = library.Find<WideExport>("ExZKCFG_AppendBufferW");
  if (twin == nullptr) GTEST_SKIP() << "the POSIX library has no Unicode twins";
  TempFolder folder;
  WriteBytes(folder.path() / "host.cfg", kConfig);
  const std::string narrow = folder.File("host.cfg") + "*Plugin X";
  std::vector<wchar_t> packed(narrow.size() / 2 + 2, L'\0');
  std::memcpy(packed.data(), narrow.data(), narrow.size());
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  installctl::SetEnvironmentValue(INSTALL_LOG_VARIABLE, folder.File("log").c_str());
  EXPECT_EQ(twin(nullptr, &token, packed.data()), INSTALL_EDIT_FILE_FAILED);
  installctl::SetEnvironmentValue(INSTALL_LOG_VARIABLE, nullptr);
  EXPECT_EQ(ReadBytes(folder.path() / "host.cfg"), kConfig);
  EXPECT_NE(ReadBytes(folder.File("log"))
                .find("notes=\"the text looks like 8-bit text given as "
                      "UTF-16: call the export without W"),
            std::string::npos);
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
