// Two edits at once, many times, run by the caller's `run_together` (threads
// or processes): each must answer 0 having done its whole work or 6 having
// changed nothing, whatever order they ran in. Removals only drop lines and
// appends only add one at the end, so the bytes that each pair of answers
// allows are known in advance.
#pragma once

#include <functional>
#include <iostream>
#include <string>

#include "config/line_append.h"
#include "config/plugin_removal.h"
#include "support/test_files.h"

namespace install::testing {

using RaceEdit = std::function<std::int32_t()>;

// Large enough that a rewrite takes a while; already in rewritten form.
inline std::string RaceContent(const std::string& name, bool keep_a, bool keep_b) {
  std::string text = "MDOP \r\n";
  for (int line = 0; line < 4000; ++line) {
    text += "Key " + name + " " + std::to_string(line) + "\r\n";
    if (keep_a && line % 7 == 0) text += "Plugin A.dll\r\n";
    if (keep_b && line % 11 == 0) text += "Plugin B.dll\r\n";
  }
  return text;
}

template <typename RunTogether>
void RaceEdits(const char* how, RunTogether run_together) {
  constexpr int kRuns = 25;
  const auto kRemove = RemovePluginRefs;
  const struct {
    std::int32_t (*operation)(const char*, const char*);
    std::string name, operand;
  } races[][2] = {
      {{kRemove, "host.cfg", "A.dll"}, {kRemove, "host.ini", "B.dll"}},  // one temporary name
      {{kRemove, "host.cfg", "A.dll"}, {kRemove, "host.cfg", "B.dll"}},
      {{AppendLine, "host.cfg", "Key x"}, {kRemove, "host.cfg", "A.dll"}},
      {{AppendLine, "host.cfg", "Key x"}, {AppendLine, "host.cfg", "Key y"}},
  };
  int answered[2] = {0, 0};  // 0, 6
  for (int run = 0; run < kRuns * 4; ++run) {
    const auto& edits = races[run % 4];
    SCOPED_TRACE(std::to_string(run % 4) + " " + how);
    TempFolder folder;
    for (const char* name : {"host.cfg", "host.ini"})
      WriteBytes(folder.File(name), RaceContent(name, true, true));
    const auto edit = [&](int i) {
      return edits[i].operation(folder.File(edits[i].name).c_str(), edits[i].operand.c_str());
    };
    const RaceEdit calls[2] = {[&] { return edit(0); }, [&] { return edit(1); }};
    std::int32_t results[2] = {-1, -1};
    run_together(calls, results);
    for (const char* name : {"host.cfg", "host.ini"}) {
      bool keep[2] = {true, true};  // the A and B lines
      std::string appended, reversed;  // "Key x\r\n" is 7 bytes
      for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(results[i] == 0 || results[i] == 6) << results[i];
        if (results[i] != 0 || edits[i].name != name) continue;
        if (edits[i].operation == kRemove) keep[edits[i].operand[0] - 'A'] = false;
        if (edits[i].operation == AppendLine) appended += edits[i].operand + "\r\n";
      }
      // Two appended lines may land in either order.
      if (appended.size() > 7) reversed = appended.substr(7) + appended.substr(0, 7);
      const std::string kept = RaceContent(name, keep[0], keep[1]), now = ReadBytes(folder.File(name));
      EXPECT_TRUE(now == kept + appended || now == kept + reversed) << name << " " << results[0];
    }
    EXPECT_EQ(Listing(folder.path()), (std::set<std::string>{"host.cfg", "host.ini"}));
    for (std::int32_t result : results) ++answered[result == 0 ? 0 : 1];
  }
  std::cout << "[ race     ] " << how << ": " << kRuns * 4 << " pairs, " << answered[0]
            << " edits answered 0, " << answered[1] << " answered 6\n";
}

}  // namespace install::testing
