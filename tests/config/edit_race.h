// Two edits at once, many times, run by the caller's `run_together` (threads
// or processes). Each must answer 0 having done its whole work or 6 having
// changed nothing: the files must hold the bytes of the edits that answered
// 0 done one after the other, in one order or the other.
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
  const auto kRemove = RemovePluginRefs;
  const struct {
    std::int32_t (*operation)(const char*, const char*);
    const char *name, *operand;
  } races[][2] = {
      {{kRemove, "host.cfg", "A.dll"}, {kRemove, "host.ini", "B.dll"}},  // one temporary name
      {{kRemove, "host.cfg", "A.dll"}, {kRemove, "host.cfg", "B.dll"}},
      {{AppendLine, "host.cfg", "Key x"}, {kRemove, "host.cfg", "A.dll"}},
      {{AppendLine, "host.cfg", "Key x"}, {AppendLine, "host.cfg", "Key y"}},
  };
  // Large enough that a rewrite takes a while.
  std::string content = "MDOP\r\n";
  for (int line = 0; line < 40000; ++line)
    content += "Key " + std::to_string(line) + "\r\nPlugin " + "AB"[line % 2] + ".dll\r\n";
  int answered[2] = {0, 0};  // 0, 6
  for (int run = 0; run < kRuns * 4; ++run) {
    const auto& edits = races[run % 4];
    SCOPED_TRACE(std::to_string(run % 4) + " " + how);
    TempFolder folder, one_order, other_order;
    const auto edit = [&](const TempFolder& in, int i) {
      return edits[i].operation(in.File(edits[i].name).c_str(), edits[i].operand);
    };
    const auto bytes = [](const TempFolder& in) {
      return ReadBytes(in.File("host.cfg")) + "|" + ReadBytes(in.File("host.ini"));
    };
    for (const TempFolder* in : {&folder, &one_order, &other_order})
      for (const char* name : {"host.cfg", "host.ini"}) WriteBytes(in->File(name), content + name);
    const RaceEdit calls[2] = {[&] { return edit(folder, 0); }, [&] { return edit(folder, 1); }};
    std::int32_t results[2] = {-1, -1};
    run_together(calls, results);
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
  std::cout << "[ race     ] " << how << ": " << kRuns * 4 << " pairs, " << answered[0]
            << " edits answered 0, " << answered[1] << " answered 6\n";
}

}  // namespace install::testing
