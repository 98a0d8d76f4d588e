// Plug-in reference removal and line append. One table of rewrites runs
// through the streaming filter, cut into chunks and blocks of many sizes,
// and through real files while a watch on the folder checks that the file
// is only ever replaced whole; a second table puts both operations through
// every kind of file, leftover and failing disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config/line_append.h"
#include "config/plugin_ref_filter.h"
#include "config/plugin_removal.h"
#include "config/temp_path.h"
#include "install.h"
#include "platform/fault_injection.h"
#include "support/folder_watch.h"
#include "support/test_files.h"

namespace install {
namespace {

namespace fs = std::filesystem;
using platform::FaultPoint;
using testing::Listing;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

struct RewriteCase {
  const char* name;
  std::string input;
  std::string plugin;
  std::int32_t result;
  std::string output;  // the rewritten file when `result` is 0
};

std::vector<RewriteCase> RewriteCases() {
  const std::string long_value(1000, 'v');
  const std::string long_name(300, 'N');
  return {
      {"MdopDropsOnlyNamedPlugins",
       "MDOP\r\nPlugin foo.dll\r\nPlugin FOO2.dll\r\nPlugin bar.dll\r\n", "foo", INSTALL_EDIT_DONE,
       "MDOP \r\nPlugin bar.dll\r\n"},
      {"ZkcoHeaderKept", "ZKCO\r\n0\r\nPlugin foo\r\nOther foo\r\n", "foo", INSTALL_EDIT_DONE,
       "ZKCO \r\n0 \r\nOther foo\r\n"},
      {"HeaderTextWrittenBack", "ZKCO version 3\n0 build 7\n", "x", INSTALL_EDIT_DONE,
       "ZKCO version 3\r\n0 build 7\r\n"},
      {"PluginInHeaderPositionIsNotHostFile", "Plugin foo\r\nMDOP\r\n", "foo",
       INSTALL_EDIT_NOT_HOST_FILE, ""},
      {"EmptyFirstLineIsNotHostFile", "\r\nMDOP\r\n", "x", INSTALL_EDIT_NOT_HOST_FILE, ""},
      {"SpacesOnlyFirstLineIsNotHostFile", "   \nMDOP\n", "x", INSTALL_EDIT_NOT_HOST_FILE, ""},
      {"LowerCaseHeaderIsNotHostFile", "zkco\n0\n", "x", INSTALL_EDIT_NOT_HOST_FILE, ""},
      {"LongerHeaderKeyIsNotHostFile", "ZKCOX\n0\n", "x", INSTALL_EDIT_NOT_HOST_FILE, ""},
      {"ZkcoThenPluginIsBadSecondHeader", "ZKCO\nPlugin foo\n", "foo",
       INSTALL_EDIT_BAD_SECOND_HEADER, ""},
      {"ZkcoThenEmptyLineIsBadSecondHeader", "ZKCO\r\n\r\n0\r\n", "x",
       INSTALL_EDIT_BAD_SECOND_HEADER, ""},
      {"ZkcoThenZeroZeroIsBadSecondHeader", "ZKCO\n00\n", "x", INSTALL_EDIT_BAD_SECOND_HEADER, ""},
      {"EmptyFileIsRewrittenEmpty", "", "x", INSTALL_EDIT_DONE, ""},
      {"ZkcoAloneWithLineFeed", "ZKCO\n", "x", INSTALL_EDIT_DONE, "ZKCO \r\n"},
      {"ZkcoAloneWithoutLineFeed", "ZKCO", "x", INSTALL_EDIT_DONE, "ZKCO \r\n"},
      {"LastLineWithoutLineFeedGetsOne", "MDOP\nA b", "x", INSTALL_EDIT_DONE, "MDOP \r\nA b\r\n"},
      {"LeadingSpacesDropped", "   MDOP extra\n  Key  value\r\n", "x", INSTALL_EDIT_DONE,
       "MDOP extra\r\nKey  value\r\n"},
      {"LeadingSpacesBeforePluginStillDrop", "MDOP\n   Plugin   foo\r\n", "foo", INSTALL_EDIT_DONE,
       "MDOP \r\n"},
      {"KeyWithoutRestGetsOneSpace", "MDOP\nPlugin\nPlugin \nKey\n", "x", INSTALL_EDIT_DONE,
       "MDOP \r\nPlugin \r\nPlugin \r\nKey \r\n"},
      {"KeyWithoutRestBeforeCrLfGetsOneSpace", "MDOP\r\nKey\r\nA b\r\n", "x", INSTALL_EDIT_DONE,
       "MDOP \r\nKey \r\nA b\r\n"},
      {"EmptyAndBlankLinesBecomeOneSpace", "MDOP\n\n   \r\n\r\nA b\n", "x", INSTALL_EDIT_DONE,
       "MDOP \r\n \r\n \r\n \r\nA b\r\n"},
      {"TabBelongsToKey", "MDOP\nPlugin\tfoo\n", "foo", INSTALL_EDIT_DONE,
       "MDOP \r\nPlugin\tfoo \r\n"},
      {"LowerCasePluginKeyKept", "MDOP\nplugin foo\nPLUGIN foo\n", "foo", INSTALL_EDIT_DONE,
       "MDOP \r\nplugin foo\r\nPLUGIN foo\r\n"},
      {"LongerKeyKept", "MDOP\nPluginX foo\n", "foo", INSTALL_EDIT_DONE,
       "MDOP \r\nPluginX foo\r\n"},
      {"NameMatchesAnyCaseAnywhere",
       "MDOP\nPlugin C:\\Plug-ins\\MyFooBar.DLL\nPlugin fOoBaR\r\nPlugin foo bar\r\n", "foobar",
       INSTALL_EDIT_DONE, "MDOP \r\nPlugin foo bar\r\n"},
      {"UpperCaseNameMatchesLowerCaseRest", "MDOP\nPlugin foobar.dll\n", "FOOBAR",
       INSTALL_EDIT_DONE, "MDOP \r\n"},
      {"RestKeptByteForByte", "MDOP\nKey   spaced\tvalue  \n", "x", INSTALL_EDIT_DONE,
       "MDOP \r\nKey   spaced\tvalue  \r\n"},
      {"CtrlZEndsInput",
       "MDOP\nA b\x1A"
       "Junk\nPlugin x\n",
       "x", INSTALL_EDIT_DONE, "MDOP \r\nA b\r\n"},
      {"CtrlZAfterLineFeedAddsNoLine", "MDOP\n\x1A", "x", INSTALL_EDIT_DONE, "MDOP \r\n"},
      {"CtrlZBeforeHeaderIsEmptyFile",
       "\x1A"
       "MDOP\n",
       "x", INSTALL_EDIT_DONE, ""},
      {"OnlyCarriageReturnBeforeLineFeedDropped", "MDOP\r\nA\rb\nC d\r\r\nE f\r", "x",
       INSTALL_EDIT_DONE, "MDOP \r\nA\rb \r\nC d\r\r\nE f\r\r\n"},
      {"LongLineKeptWhole", "MDOP\nKey " + long_value + "\n", "x", INSTALL_EDIT_DONE,
       "MDOP \r\nKey " + long_value + "\r\n"},
      {"NamePastColumn255Drops", "MDOP\nPlugin " + long_value + "foo\nPlugin bar\n", "FOO",
       INSTALL_EDIT_DONE, "MDOP \r\nPlugin bar\r\n"},
      {"LongNameMatches", "MDOP\nPlugin x" + long_name + "y\nPlugin " + long_name.substr(1) + "\n",
       long_name, INSTALL_EDIT_DONE, "MDOP \r\nPlugin " + long_name.substr(1) + "\r\n"},
      {"EightBitBytesKept", "MDOP\nKey caf\xE9 \xFF\nPlugin \xE9t\xE9\n", "\xE9T\xE9",
       INSTALL_EDIT_DONE, "MDOP \r\nKey caf\xE9 \xFF\r\n"},
  };
}

class StringSink : public config::ByteSink {
 public:
  bool Write(const char* data, std::size_t size) override {
    bytes.append(data, size);
    ++writes;
    return true;
  }
  std::string bytes;
  int writes = 0;
};

// In the order of PluginRefFilter::Outcome.
constexpr std::int32_t kOutcomeResults[] = {INSTALL_EDIT_DONE, INSTALL_EDIT_NOT_HOST_FILE,
                                            INSTALL_EDIT_BAD_SECOND_HEADER,
                                            INSTALL_EDIT_FILE_FAILED};

TEST(PluginRemoval, RewritesEachCaseInChunksAndInPlaceAndASecondRunChangesNothing) {
  for (const RewriteCase& c : RewriteCases()) {
    for (std::size_t chunk : {1, 2, 7, 64, 1 << 20}) {
      for (std::size_t block : {std::size_t{16}, config::kRewriteBlockSize}) {
        SCOPED_TRACE(std::string(c.name) + " chunk " + std::to_string(chunk) + " block " +
                     std::to_string(block));
        StringSink sink;
        config::PluginRefFilter filter(c.plugin, &sink, block);
        for (std::size_t at = 0; at < c.input.size(); at += chunk) {
          if (!filter.Feed(c.input.data() + at, std::min(chunk, c.input.size() - at))) break;
        }
        EXPECT_EQ(kOutcomeResults[static_cast<int>(filter.Finish())], c.result);
        if (c.result == INSTALL_EDIT_DONE) {
          EXPECT_EQ(sink.bytes, c.output);
        }
        // Every output here fits one block: it leaves in one write, not a line at a time.
        if (block == config::kRewriteBlockSize) {
          EXPECT_LE(sink.writes, 1);
        }
      }
    }
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string file = folder.File("host.cfg");
    WriteBytes(file, c.input);
    testing::FolderWatch watch(folder.path());
    EXPECT_EQ(RemovePluginRefs(file.c_str(), c.plugin.c_str()), c.result);
    const bool done = c.result == INSTALL_EDIT_DONE;
    EXPECT_EQ(ReadBytes(file), done ? c.output : c.input);
    EXPECT_EQ(Listing(folder.path()), std::set<std::string>{"host.cfg"});
    // The path names a whole file throughout: the copy is renamed onto it,
    // never written in place, and the old file is never deleted first.
    EXPECT_EQ(watch.ChangesTo("host.cfg"), done ? "replaced" : "");
    if (done) {
      EXPECT_EQ(RemovePluginRefs(file.c_str(), c.plugin.c_str()), INSTALL_EDIT_DONE);
      EXPECT_EQ(ReadBytes(file), c.output);
    }
  }
}

TEST(PluginRemoval, TemporaryNameReplacesTheFileNamesExtension) {
  struct Case {
    std::string_view path, temporary;
    bool own;  // the file would be its own temporary
  } cases[] = {
      {"C:\\Host\\host.cfg", "C:\\Host\\host.TMP", false},
      {"host", "host.TMP", false},
      {"my.host.config", "my.host.TMP", false},
      {"C:\\dir.d\\host", "C:\\dir.d\\host.TMP", false},
      {"/etc/dir.d/host", "/etc/dir.d/host.TMP", false},
      {"dir.d/sub\\host", "dir.d/sub\\host.TMP", false},
      {"C:host.ini", "C:host.TMP", false},
      {"host.", "host.TMP", false},
      {".hostrc", ".TMP", false},
      {"..\\host.cfg", "..\\host.TMP", false},
      {"C:\\a\\host.TmP", "C:\\a\\host.TMP", true},
      {"host.TMPX", "host.TMP", false},
      {"host.tmp.cfg", "host.tmp.TMP", false},
      {"a.tmp/host", "a.tmp/host.TMP", false},
      {"TMP", "TMP.TMP", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(config::TemporaryPathFor(c.path), c.temporary) << c.path;
    EXPECT_EQ(config::IsOwnTemporaryName(c.path), c.own) << c.path;
  }
}

// What lies at the path, or beside it under the temporary name, before the call.
enum class Situation {
  kFile,
  kNoFile,
  kFolder,
  kReadOnlyFile,
  kOwnerOnlyFile,
  kLeftoverFile,
  kLeftoverLink
};
using Operation = std::int32_t (*)(const char*, const char*);
constexpr auto kAppend = AppendLine;
constexpr auto kRemove = RemovePluginRefs;
constexpr char kLongestName[] = "";  // a name whose temporary path is one too long
constexpr std::size_t kLongestPath = 259;
constexpr char kSample[] = "MDOP\r\nPlugin A.dll\r\nKey v\r\n";

// Larger than one read block, so faults can strike in the middle.
std::string TwoBlockFile() {
  std::string content = "ZKCO\r\n0\r\n";
  while (content.size() < (std::size_t{5} << 19)) {
    content += "Plugin C:\\Plug-ins\\A.dll\r\nWindow 10 20 640 480\r\n";
  }
  return content;
}

TEST(EditFiles, EachOperationLeavesTheFileWholeAndNothingElseBehind) {
  struct Case {
    const char* name;
    Operation operation;
    Situation situation;
    std::string before;
    const char* operand;
    std::int32_t result;
    const char* after;  // null: as before
    std::string file_name = "host.cfg";
    FaultPoint fault = FaultPoint::kCount;  // kCount: none
    int nth = 1;
  };
  const std::string large = TwoBlockFile();
  const Case cases[] = {
      {"append: CR LF for the text's line feeds, the file's own untouched", kAppend,
       Situation::kFile, "MDOP\nA b\n", "x\ny\r\nz\rw*\xE9", 0,
       "MDOP\nA b\nx\r\ny\r\r\nz\rw*\xE9\r\n"},
      {"append joins an unended last line", kAppend, Situation::kFile, "MDOP\r\nWindow", " 640", 0,
       "MDOP\r\nWindow 640\r\n"},
      {"append to an empty file", kAppend, Situation::kFile, "", "MDOP", 0, "MDOP\r\n"},
      {"append to a missing file", kAppend, Situation::kNoFile, "", "x", 1, nullptr},
      {"append to a folder", kAppend, Situation::kFolder, "", "x", 6, nullptr},
      {"append to a read-only file", kAppend, Situation::kReadOnlyFile, kSample, "x", 6, nullptr},
      {"append: disk full part-way", kAppend, Situation::kFile, kSample, "Plugin B.dll", 6, nullptr,
       "host.cfg", FaultPoint::kWrite},
      {"append: flush fails", kAppend, Situation::kFile, kSample, "x", 6, nullptr, "host.cfg",
       FaultPoint::kSync},
      {"append: close fails", kAppend, Situation::kFile, kSample, "x", 6, nullptr, "host.cfg",
       FaultPoint::kClose},
      {"remove from a missing file", kRemove, Situation::kNoFile, "", "a", 1, nullptr},
      {"remove from a folder", kRemove, Situation::kFolder, "", "a", 6, nullptr},
      {"remove: own temporary name", kRemove, Situation::kFile, kSample, "a", 6, nullptr,
       "host.TMP"},
      {"remove: own temporary name, lower case", kRemove, Situation::kFile, kSample, "a", 6,
       nullptr, "host.tmp"},
      {"remove: temporary path too long", kRemove, Situation::kFile, kSample, "a", 6, nullptr,
       kLongestName},
      {"remove: owner-only file stays so", kRemove, Situation::kOwnerOnlyFile, kSample, "a.dll", 0,
       "MDOP \r\nKey v\r\n"},
      {"remove over a leftover temporary", kRemove, Situation::kLeftoverFile, kSample, "a.dll", 0,
       "MDOP \r\nKey v\r\n"},
      {"refused with a leftover temporary", kRemove, Situation::kLeftoverFile, "Notes\r\n", "a", 4,
       nullptr},
      {"remove over a leftover link", kRemove, Situation::kLeftoverLink, kSample, "a.dll", 0,
       "MDOP \r\nKey v\r\n"},
      {"refused with a leftover link", kRemove, Situation::kLeftoverLink, "Notes\r\n", "a", 4,
       nullptr},
      {"remove: first read fails", kRemove, Situation::kFile, large, "a", 6, nullptr, "host.cfg",
       FaultPoint::kRead},
      {"remove: read fails after a block", kRemove, Situation::kFile, large, "a", 6, nullptr,
       "host.cfg", FaultPoint::kRead, 2},
      {"remove: disk full at once", kRemove, Situation::kFile, large, "a", 6, nullptr, "host.cfg",
       FaultPoint::kWrite},
      {"remove: disk full later", kRemove, Situation::kFile, large, "a", 6, nullptr, "host.cfg",
       FaultPoint::kWrite, 2},
      {"remove: flush fails", kRemove, Situation::kFile, large, "a", 6, nullptr, "host.cfg",
       FaultPoint::kSync},
      {"remove: closing the copy fails", kRemove, Situation::kFile, large, "a", 6, nullptr,
       "host.cfg", FaultPoint::kClose},
      {"remove: replacement refused", kRemove, Situation::kFile, large, "a", 6, nullptr, "host.cfg",
       FaultPoint::kReplace},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    std::string name = c.file_name;
    if (name == kLongestName)
      name = std::string(kLongestPath - folder.File("").size() - 3, 'h') + ".c";
    const std::string file = folder.File(name);
    std::set<std::string> listing{name};
    if (c.situation == Situation::kFolder) fs::create_directory(file);
    if (c.situation != Situation::kFolder && c.situation != Situation::kNoFile)
      WriteBytes(file, c.before);
    if (c.situation == Situation::kOwnerOnlyFile) fs::permissions(file, fs::perms::owner_all);
    if (c.situation == Situation::kReadOnlyFile) {
      fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
      if (testing::CanWriteDespitePermissions(file)) continue;  // a superuser may write it
    }
    if (c.situation == Situation::kLeftoverFile) WriteBytes(folder.File("host.TMP"), "left over");
    if (c.situation == Situation::kLeftoverLink) {
      WriteBytes(folder.File("victim"), "precious");
      std::error_code no_links;
      fs::create_symlink(folder.File("victim"), folder.File("host.TMP"), no_links);
      if (no_links) continue;
      listing.insert("victim");
    }
    const fs::perms permissions = fs::status(file).permissions();
    if (c.fault != FaultPoint::kCount)
      platform::InjectFaultForTesting(c.fault, platform::Error::kIo, c.nth);
    EXPECT_EQ(c.operation(file.c_str(), c.operand), c.result);
    platform::ClearFaultsForTesting();

    if (c.situation == Situation::kNoFile) listing.clear();
    EXPECT_EQ(Listing(folder.path()), listing);
    EXPECT_EQ(fs::status(file).permissions(), permissions);
    if (c.situation == Situation::kFolder) {
      EXPECT_TRUE(fs::is_empty(file));
    }
    if (c.situation == Situation::kLeftoverLink) {
      EXPECT_EQ(ReadBytes(folder.File("victim")), "precious");
    }
    if (c.situation != Situation::kFolder && c.situation != Situation::kNoFile) {
      EXPECT_TRUE(ReadBytes(file) == (c.after != nullptr ? c.after : c.before));
    }
  }
}

}  // namespace
}  // namespace install
