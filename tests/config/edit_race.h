// Two edits at once, many times, run by a caller's `run_together` (threads,
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

template <typename RunTogether>
void RaceEdits(const char* how, RunTogether run_together) {
  constexpr int kRuns = 25;
  struct Edit {
    std::int32_t (*operation)(const char*, const char*);
    const char* name;
    const char* operand;
  };
  const Edit races[][2] = {
      {{RemovePluginRefs, "host.cfg", "A.dll"}, {RemovePluginRefs, "host.ini", "B.dll"}},
      {{RemovePluginRefs, "host.cfg", "A.dll"}, {RemovePluginRefs, "host.cfg", "B.dll"}},
      {{AppendLine, "host.cfg", "Key x"}, {RemovePluginRefs, "host.cfg", "A.dll"}},
      {{AppendLine, "host.cfg", "Key x"}, {AppendLine, "host.cfg", "Key y"}},
  };
  // Large enough that a rewrite takes a while; already in rewritten form.
  const auto content = [](const std::string& name, bool keep_a, bool keep_b) {
    std::string text = "MDOP \r\n";
    for (int line = 0; line < 4000; ++line) {
      text += "Key " + name + " " + std::to_string(line) + "\r\n";
      if (keep_a && line % 7 == 0) text += "Plugin A.dll\r\n";
      if (keep_b && line % 11 == 0) text += "Plugin B.dll\r\n";
    }
    return text;
  };
  int answered[2] = {0, 0};  // 0, 6
  for (const auto& edits : races) {
    for (int run = 0; run < kRuns; ++run) {
      SCOPED_TRACE(std::to_string(&edits - races) + " " + how);
      TempFolder folder;
      for (const char* name : {"host.cfg", "host.ini"})
        WriteBytes(folder.File(name), content(name, true, true));
      RaceEdit calls[2];
      for (int i = 0; i < 2; ++i)
        calls[i] = [&, i] {
          return edits[i].operation(folder.File(edits[i].name).c_str(), edits[i].operand);
        };
      std::int32_t results[2] = {-1, -1};
      run_together(calls, results);
      for (const char* name : {"host.cfg", "host.ini"}) {
        bool keep[2] = {true, true};  // the A and B lines
        std::string appended, reversed;
        for (int i = 0; i < 2; ++i) {
          ASSERT_TRUE(results[i] == 0 || results[i] == 6) << results[i];
          if (results[i] != 0 || edits[i].name != std::string(name)) continue;
          if (edits[i].operation == AppendLine) {
            appended += edits[i].operand + std::string("\r\n");
            reversed.insert(0, edits[i].operand + std::string("\r\n"));
          }
          if (edits[i].operation == RemovePluginRefs) keep[edits[i].operand[0] - 'A'] = false;
        }
        const std::string kept = content(name, keep[0], keep[1]), now = ReadBytes(folder.File(name));
        EXPECT_TRUE(now == kept + appended || now == kept + reversed)
            << name << " " << results[0] << " " << results[1];
      }
      EXPECT_EQ(Listing(folder.path()), (std::set<std::string>{"host.cfg", "host.ini"}));
      for (std::int32_t result : results) ++answered[result == 0 ? 0 : 1];
    }
  }
  std::cout << "[ race     ] " << how << ": " << 2 * kRuns * std::size(races) << " edits in "
            << kRuns * std::size(races) << " pairs, " << answered[0] << " answered 0, "
            << answered[1] << " answered 6\n";
}

}  // namespace install::testing
