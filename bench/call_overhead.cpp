// The cost of the diagnostic log per export call, through the loaded library
// as a setup program calls it: AreYouThere, and GetDirSizeKB on a small
// folder, with INSTALL_LOG unset and set. Given a second library (say, one
// built before the log existed), times it too, with INSTALL_LOG unset.
// Rounds alternate between the variants so that other load on the machine
// falls on all alike; the median round is printed.
//   call_overhead LIBRARY FOLDER [BASELINE_LIBRARY]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "install.h"
#include "library.h"

namespace {

constexpr int kRounds = 21;
constexpr int kCallsUnset = 20000;
constexpr int kCallsLogged = 2000;  // each appends a line to a file

struct Variant {
  const char* label;
  InstallExportFn function;
  const char* log;  // null: unset
  int calls;
  std::vector<double> ns_per_call;
};

double TimeCalls(Variant& variant, char* text) {
  installctl::SetEnvironmentValue(INSTALL_LOG_VARIABLE, variant.log);
  std::int32_t token = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < variant.calls; ++i) variant.function(nullptr, &token, text);
  const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
  installctl::SetEnvironmentValue(INSTALL_LOG_VARIABLE, nullptr);
  return spent.count() / variant.calls;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: call_overhead LIBRARY FOLDER [BASELINE_LIBRARY]\n");
    return 2;
  }
  const std::string folder = argv[2];
  const std::string log = (std::filesystem::temp_directory_path() / "call_overhead.log").string();
  installctl::InstallLibrary library, baseline;
  std::string error;
  if (!library.Load(argv[1], &error) || (argc > 3 && !baseline.Load(argv[3], &error))) {
    std::fprintf(stderr, "call_overhead: %s\n", error.c_str());
    return 1;
  }
  for (const char* name : {"AreYouThere", "GetDirSizeKB"}) {
    std::vector<Variant> variants = {
        {"log unset", library.Find(name), nullptr, kCallsUnset, {}},
        {"log to a file", library.Find(name), log.c_str(), kCallsLogged, {}},
    };
    if (argc > 3) variants.push_back({"baseline", baseline.Find(name), nullptr, kCallsUnset, {}});
    std::vector<char> text(folder.begin(), folder.end());
    text.push_back('\0');
    for (int round = 0; round < kRounds; ++round) {
      for (Variant& variant : variants) {
        variant.ns_per_call.push_back(TimeCalls(variant, text.data()));
        std::filesystem::remove(log);
      }
    }
    for (const Variant& variant : variants) {
      std::printf("%-13s %-14s %10.1f ns/call (median of %d rounds of %d calls)\n", name,
                  variant.label, Median(variant.ns_per_call), kRounds, variant.calls);
    }
  }
  return 0;
}
