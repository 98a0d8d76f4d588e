// Small host configuration files and what removing a plug-in makes of them.
// Shared by the stream tests and the file tests so the two cannot drift.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "install.h"

namespace install::testing {

struct RemovalCase {
  const char* name;
  std::string input;
  std::string plugin;
  std::int32_t result;
  std::string output;  // the rewritten file when `result` is 0
};

inline std::string Repeat(char c, std::size_t count) { return std::string(count, c); }

inline std::vector<RemovalCase> RemovalCases() {
  const std::string long_value = Repeat('v', 1000);
  const std::string long_name = Repeat('N', 300);
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
      {"LeadingSpacesDropped", "   MDOP extra\n  Key  value\n", "x", INSTALL_EDIT_DONE,
       "MDOP extra\r\nKey  value\r\n"},
      {"LeadingSpacesBeforePluginStillDrop", "MDOP\n   Plugin   foo\n", "foo", INSTALL_EDIT_DONE,
       "MDOP \r\n"},
      {"KeyWithoutRestGetsOneSpace", "MDOP\nPlugin\nPlugin \nKey\n", "x", INSTALL_EDIT_DONE,
       "MDOP \r\nPlugin \r\nPlugin \r\nKey \r\n"},
      {"EmptyAndBlankLinesBecomeOneSpace", "MDOP\n\n   \r\nA b\n", "x", INSTALL_EDIT_DONE,
       "MDOP \r\n \r\n \r\nA b\r\n"},
      {"TabBelongsToKey", "MDOP\nPlugin\tfoo\n", "foo", INSTALL_EDIT_DONE,
       "MDOP \r\nPlugin\tfoo \r\n"},
      {"LowerCasePluginKeyKept", "MDOP\nplugin foo\nPLUGIN foo\n", "foo", INSTALL_EDIT_DONE,
       "MDOP \r\nplugin foo\r\nPLUGIN foo\r\n"},
      {"LongerKeyKept", "MDOP\nPluginX foo\n", "foo", INSTALL_EDIT_DONE,
       "MDOP \r\nPluginX foo\r\n"},
      {"NameMatchesAnyCaseAnywhere",
       "MDOP\nPlugin C:\\Plug-ins\\MyFooBar.DLL\nPlugin fOoBaR\nPlugin foo bar\n", "foobar",
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

}  // namespace install::testing
