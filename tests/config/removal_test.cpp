// Plug-in reference removal and line append. One table of rewrites runs
// through the streaming filter, cut into chunks and blocks of many sizes,
// and through real files while a watch on the folder checks that the file
// is only ever replaced whole; a second table puts both operations through
// every kind of file, leftover and failing disk.

#include <iostream>
#include <optional>

#include "config/line_append.h"
#include "config/plugin_removal.h"
#include "config/temp_path.h"
#include "platform/fault_injection.h"
#include "rewrite_runner.h"
#include "support/folder_watch.h"
#include "support/system_state.h"
#include "support/test_files.h"

namespace install::testing {
namespace {

namespace fs = std::filesystem;
constexpr std::int32_t kDone = INSTALL_EDIT_DONE, kNotHost = INSTALL_EDIT_NOT_HOST_FILE,
                       kBadSecond = INSTALL_EDIT_BAD_SECOND_HEADER;

TEST(PluginRemoval, RewritesEachCaseInChunksAndInPlaceAndASecondRunChangesNothing) {
  const std::string long_value(1000, 'v'), long_name(300, 'N');
  // `output`: the rewritten file, or empty when the file is refused.
  const struct {
    std::string input, plugin;
    std::int32_t result;
    std::string output;
  } cases[] = {
      // Only body lines keyed exactly "Plugin" whose rest names the plug-in go.
      {"MDOP\r\nPlugin bar.dll\r\nPlugin foo.dll\r\nPlugin FOO2.dll\r\n", "foo", kDone,
       "MDOP \r\nPlugin bar.dll\r\n"},
      {"ZKCO\r\n0\r\nPlugin foo\r\nOther foo\r\n", "foo", kDone, "ZKCO \r\n0 \r\nOther foo\r\n"},
      {"ZKCO version 3\n0 build 7\n", "x", kDone, "ZKCO version 3\r\n0 build 7\r\n"},
      // Header checks: exact, case-sensitive keys; nothing is written for a refused file.
      {"Plugin foo\r\nMDOP\r\n", "foo", kNotHost, ""},
      {"\r\nMDOP\r\n", "x", kNotHost, ""},
      {"zkco\n0\n", "x", kNotHost, ""},
      {"ZKCOX\n0\n", "x", kNotHost, ""},
      {"ZKCO\r\n\r\n0\r\n", "x", kBadSecond, ""},
      {"ZKCO\n00\n", "x", kBadSecond, ""},
      // Ends of input: no blank line is added, a last line gains its line end.
      {"", "x", kDone, ""},
      {"ZKCO", "x", kDone, "ZKCO \r\n"},
      {"MDOP\nA b", "x", kDone, "MDOP \r\nA b\r\n"},
      // Spaces before a key go; a key alone gains one space, whatever its line end.
      {"   MDOP extra\n  Key  value\r\nKey   spaced\tvalue  \n", "x", kDone,
       "MDOP extra\r\nKey  value\r\nKey   spaced\tvalue  \r\n"},
      {"MDOP\n   Plugin   foo\r\n", "foo", kDone, "MDOP \r\n"},
      {"MDOP\nPlugin\nPlugin \nKey\n", "x", kDone, "MDOP \r\nPlugin \r\nPlugin \r\nKey \r\n"},
      {"MDOP\r\nKey\r\nA b\r\n", "x", kDone, "MDOP \r\nKey \r\nA b\r\n"},
      {"MDOP\n\n   \r\n\r\nA b\n", "x", kDone, "MDOP \r\n \r\n \r\n \r\nA b\r\n"},
      // Only a space ends a key; rests are kept byte for byte.
      {"MDOP\nPlugin\tfoo\nplugin foo\nPLUGIN foo\nPluginX foo\n", "foo", kDone,
       "MDOP \r\nPlugin\tfoo \r\nplugin foo\r\nPLUGIN foo\r\nPluginX foo\r\n"},
      {"MDOP\nPlugin C:\\Plug-ins\\MyFooBar.DLL\nPlugin fOoBaR\r\nPlugin foo bar\r\n", "foobar",
       kDone, "MDOP \r\nPlugin foo bar\r\n"},
      // Ctrl-Z ends the input; only a CR before a LF belongs to the line end.
      {"MDOP\nA b\nC\x1AJunk\nPlugin x\n", "x", kDone, "MDOP \r\nA b\r\nC \r\n"},
      {"MDOP\n\x1A", "x", kDone, "MDOP \r\n"},
      {"\x1AMDOP\n", "x", kDone, ""},
      {"MDOP\r\nA\rb\nC d\r\r\nE f\r", "x", kDone, "MDOP \r\nA\rb \r\nC d\r\r\nE f\r\r\n"},
      // No 255-character limit on lines or names.
      {"MDOP\nKey " + long_value + "\n", "x", kDone, "MDOP \r\nKey " + long_value + "\r\n"},
      {"MDOP\nPlugin " + long_value + "foo\nPlugin bar\n", "FOO", kDone, "MDOP \r\nPlugin bar\r\n"},
      {"MDOP\nPlugin x" + long_name + "y\nPlugin " + long_name.substr(1) + "\n", long_name, kDone,
       "MDOP \r\nPlugin " + long_name.substr(1) + "\r\n"},
      {"MDOP\nKey caf\xE9 \xFF\nPlugin \xE9t\xE9\n", "\xE9T\xE9", kDone,
       "MDOP \r\nKey caf\xE9 \xFF\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.input));
    for (std::size_t chunk : {1, 2, 7, 64, 1 << 20})
      for (std::size_t block : {std::size_t{16}, config::kRewriteBlockSize}) {
        const auto stream = RewriteInChunks(c.input, c.plugin, chunk, block);
        EXPECT_EQ(stream.result, c.result) << chunk << " " << block;
        EXPECT_EQ(stream.bytes, c.output) << chunk << " " << block;
        // Each output fits a block: it leaves in one write, not a line at a time.
        EXPECT_TRUE(block < config::kRewriteBlockSize || stream.writes <= 1);
      }
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, c.input);
    FolderWatch watch(folder.path());
    for (int run = 1; run <= 2; ++run) {
      EXPECT_EQ(RemovePluginRefs(file.c_str(), c.plugin.c_str()), c.result) << "run " << run;
      EXPECT_EQ(ReadBytes(file), c.result == kDone ? c.output : c.input) << "run " << run;
    }
    // The path names a whole file throughout: the copy is renamed onto it,
    // never written in place, and the old file is never deleted first.
    EXPECT_EQ(watch.ChangesTo("host.cfg"), c.result == kDone ? "replaced" : "");
  }
}

TEST(PluginRemoval, TemporaryNameReplacesTheFileNamesExtension) {
  // `own`: the file would be its own temporary.
  struct {
    std::string_view path, temporary;
    bool own;
  } cases[] = {
      {"my.host.config", "my.host.TMP", false},
      {"C:\\d.d\\host", "C:\\d.d\\host.TMP", false},
      {"/etc/d.d/host", "/etc/d.d/host.TMP", false},
      {".hostrc", ".TMP", false},
      {"C:\\a\\host.TmP", "C:\\a\\host.TMP", true},
      {"host.TMPX", "host.TMP", false},
      {"TMP", "TMP.TMP", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(config::TemporaryPathFor(c.path), c.temporary) << c.path;
    EXPECT_EQ(config::IsOwnTemporaryName(c.path), c.own) << c.path;
  }
}

// What lies at the path, or beside it under the temporary name, before the call.
// A folder always has a leftover of another edit under the temporary's name.
enum Situation { kFile, kNoFile, kFolder, kReadOnly, kOwnerOnly, kLeftover, kLeftoverLink, kLink };
using Operation = std::int32_t (*)(const char*, const char*);
constexpr Operation kAppend = AppendLine, kRemove = RemovePluginRefs;
constexpr platform::FaultPoint kNoFault = platform::FaultPoint::kCount;
// Folders that take the path past 300 characters, past the old 260 limit.
const std::string kDeep =
    std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + std::string(100, 'f') + "/host.cfg";
constexpr char kSample[] = "MDOP\r\nPlugin A.dll\r\nKey v\r\n", kNotes[] = "Notes\r\n";

TEST(EditFiles, EachOperationLeavesTheFileWholeAndNothingElseBehind) {
  using platform::FaultPoint;
  struct Case {
    Operation operation;
    Situation situation;
    std::string before;
    const char* operand;
    std::int32_t result;
    std::optional<std::string> after;  // unset: as before
    std::string name = "host.cfg";
    FaultPoint fault = kNoFault;
    int nth = 1;  // which operation at `fault` fails
  };
  // Larger than one read block, so faults can strike in the middle and the
  // rewrite's lines cross the ends of blocks.
  std::string large = "ZKCO\r\n0\r\n", large_rewritten = "ZKCO \r\n0 \r\n";
  while (large.size() < (std::size_t{5} << 19)) {
    large += "Plugin A.dll\r\nWindow 10 20\r\n";
    large_rewritten += "Window 10 20\r\n";
  }
  const char* const rewritten = "MDOP \r\nKey v\r\n";
  std::vector<Case> cases = {
      // Append: the text's own line feeds become CR LF; the file's lines are not touched.
      {kAppend, kFile, "MDOP\nA b\n", "x\ny\r\nz\rw*\xE9", 0,
       "MDOP\nA b\nx\r\ny\r\r\nz\rw*\xE9\r\n"},
      {kAppend, kFile, "MDOP\r\nWindow", " 640", 0, "MDOP\r\nWindow 640\r\n"},
      // A missing file is not created; a folder or a read-only file is refused.
      {kAppend, kNoFile, "", "x", 1, {}},
      {kAppend, kFolder, "", "x", 6, {}},
      {kAppend, kReadOnly, kSample, "x", 6, {}},
      // Removal refuses a missing file, a folder (before it touches the leftover
      // under the temporary's name) and a file that would be its own temporary.
      {kRemove, kNoFile, "", "a", 1, {}},
      {kRemove, kFolder, "", "a", 6, {}},
      {kRemove, kFile, kSample, "a", 6, {}, "host.TMP"},
      // No length limit on the path; a link is followed, the file it names is
      // rewritten in its own folder, and the link stays.
      {kRemove, kFile, kSample, "a.dll", 0, rewritten, kDeep},
      {kAppend, kFile, kSample, "x", 0, kSample + std::string("x\r\n"), kDeep},
      {kRemove, kLink, kSample, "a.dll", 0, rewritten},
      // The new file keeps the old permissions; a leftover temporary, even a link
      // to the bystander file, is replaced or removed, never written through.
      {kRemove, kOwnerOnly, kSample, "a.dll", 0, rewritten},
      {kRemove, kLeftover, kSample, "a.dll", 0, rewritten},
      {kRemove, kLeftover, kNotes, "a", 4, {}},
      {kRemove, kLeftoverLink, kSample, "a.dll", 0, rewritten},
      {kRemove, kLeftoverLink, kNotes, "a", 4, {}},
      // A file of many blocks is rewritten whole.
      {kRemove, kFile, large, "a", 0, large_rewritten},
  };
  // A failed write, flush or close cuts an appended file back to its old
  // length; a failure at any step of a removal keeps the old file whole and
  // leaves no temporary.
  for (FaultPoint fault : {FaultPoint::kWrite, FaultPoint::kSync, FaultPoint::kClose})
    cases.push_back({kAppend, kFile, kSample, "Plugin B.dll", 6, {}, "host.cfg", fault});
  for (int fault = 0; fault < static_cast<int>(kNoFault); ++fault)
    cases.push_back({kRemove, kFile, large, "a", 6, {}, "host.cfg", FaultPoint(fault)});
  // So does a refused allocation of those the name and the file size: the
  // name, the block, the read buffer, a plug-in line's rest and a line cut
  // by the end of a read, as each is first needed or grows; six for this
  // file. With those granted, the removal is done.
  constexpr int kRemovalAllocations = 6;
  for (int nth = 2; nth <= kRemovalAllocations; ++nth)
    cases.push_back({kRemove, kFile, large, "a", 6, {}, "host.cfg", FaultPoint::kAllocate, nth});
  cases.push_back({kRemove, kFile, large, "a", 0, large_rewritten, "host.cfg",
                   FaultPoint::kAllocate, kRemovalAllocations + 1});
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases.data());
    TempFolder top;
    const fs::path relative(c.name);
    // The library takes the path as it is, "/" separators included; the
    // test's own file calls on Windows need the long path's "\\?\" form.
    const std::string file = (top.path() / relative).string();
    const fs::path at = top.path().has_root_name()
                            ? fs::path(R"(\\?\)" + fs::path(file).make_preferred().string())
                            : fs::path(file);
    const fs::path folder = at.parent_path();
    const std::string name = relative.filename().string();
    fs::create_directories(folder);
    const fs::path bystander = folder / "bystander";
    WriteBytes(bystander, "precious");
    std::set<std::string> listing{name, "bystander"};
    if (c.situation == kNoFile) listing.erase(name);
    if (c.situation == kFolder) fs::create_directory(at);
    if (c.situation == kFolder) WriteBytes(folder / "host.TMP", "another edit's");
    if (c.situation == kFolder) listing.insert("host.TMP");
    std::error_code no_links;
    if (c.situation == kLink) {
      WriteBytes(folder / "target.ini", c.before);
      fs::create_symlink("target.ini", at, no_links);
      listing.insert("target.ini");
    } else if (c.situation != kNoFile && c.situation != kFolder) {
      WriteBytes(at, c.before);
    }
    if (c.situation == kOwnerOnly) fs::permissions(at, fs::perms::owner_all);
    if (c.situation == kReadOnly) {
      fs::permissions(at, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
      if (std::ofstream(at, std::ios::app).is_open()) continue;  // a superuser may write it
    }
    if (c.situation == kLeftover) WriteBytes(folder / "host.TMP", "left over");
    if (c.situation == kLeftoverLink) fs::create_symlink(bystander, folder / "host.TMP", no_links);
    if (no_links) continue;
    const fs::perms permissions = fs::status(at).permissions();
    if (c.fault != kNoFault) platform::InjectFaultForTesting(c.fault, platform::Error::kIo, c.nth);
    EXPECT_EQ(c.operation(file.c_str(), c.operand), c.result);
    platform::ClearFaultsForTesting();

    // The C runtime's folder listing stops at 260 characters on Windows.
    EXPECT_TRUE(c.name == kDeep || Listing(folder) == listing);
    EXPECT_NE(fs::exists(folder / "host.TMP"), listing.count("host.TMP") == 0);
    EXPECT_EQ(fs::status(at).permissions(), permissions);
    EXPECT_EQ(ReadBytes(bystander), "precious");
    EXPECT_EQ(ReadBytes(at), c.after.value_or(c.before));
    EXPECT_EQ(fs::is_symlink(at), c.situation == kLink);
    EXPECT_TRUE(c.situation != kFolder || ReadBytes(folder / "host.TMP") == "another edit's");
  }
}

// Two edits at once, many times: each must answer 0 having done its whole
// work or 6 having changed nothing, and the files must hold the bytes of the
// edits that answered 0 done one after the other, in one order or the other.
TEST(EditFiles, TwoEditsAtOnceEachDoAllTheirWorkOrNoneAndSayWhich) {
  constexpr int kRuns = 25;
  const struct {
    Operation operation;
    const char *name, *operand;
  } races[][2] = {
      {{kRemove, "host.cfg", "A.dll"}, {kRemove, "host.ini", "B.dll"}},  // one temporary name
      {{kRemove, "host.cfg", "A.dll"}, {kRemove, "host.cfg", "B.dll"}},
      {{kAppend, "host.cfg", "Key x"}, {kRemove, "host.cfg", "A.dll"}},
      {{kAppend, "host.cfg", "Key x"}, {kAppend, "host.cfg", "Key y"}},
  };
  // Large enough that a rewrite takes a while.
  std::string content = "MDOP\r\n";
  for (int line = 0; line < 40000; ++line)
    content += "Key " + std::to_string(line) + "\r\nPlugin " + "AB"[line % 2] + ".dll\r\n";
  int answered[2] = {0, 0};  // 0, 6
  for (int run = 0; run < kRuns * 4; ++run) {
    const auto& edits = races[run % 4];
    SCOPED_TRACE(run % 4);
    TempFolder folder, one_order, other_order;
    const auto edit = [&](const TempFolder& in, int i) {
      return edits[i].operation(in.File(edits[i].name).c_str(), edits[i].operand);
    };
    const auto bytes = [](const TempFolder& in) {
      return ReadBytes(in.File("host.cfg")) + "|" + ReadBytes(in.File("host.ini"));
    };
    for (const TempFolder* in : {&folder, &one_order, &other_order})
      for (const char* name : {"host.cfg", "host.ini"}) WriteBytes(in->File(name), content + name);
    const Work calls[2] = {[&] { return edit(folder, 0); }, [&] { return edit(folder, 1); }};
    std::int32_t results[2] = {-1, -1};
    RunTogether(calls, results);
    for (int i : {0, 1}) {
      EXPECT_TRUE(results[i] == 0 || results[i] == 6) << results[i];
      ++answered[results[i] == 0 ? 0 : 1];
      EXPECT_TRUE(results[i] != 0 || edit(one_order, i) == 0);
      EXPECT_TRUE(results[1 - i] != 0 || edit(other_order, 1 - i) == 0);
    }
    EXPECT_TRUE(bytes(folder) == bytes(one_order) || bytes(folder) == bytes(other_order))
        << results[0] << " " << results[1];
    EXPECT_EQ(Listing(folder.path()), (std::set<std::string>{"host.cfg", "host.ini"}));
  }
  std::cout << "[ race     ] " << kRuns * 4 << " pairs, " << answered[0] << " edits answered 0, "
            << answered[1] << " answered 6\n";
}

}  // namespace
}  // namespace install::testing
