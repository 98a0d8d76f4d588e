// libFuzzer target: the streaming rewrite fed in chunks of a fuzzed size,
// and the whole removal on a real file, each checked against the plain
// statement of the rules in reference_removal.h.
//
// Input: byte 0 picks the plug-in name's length, byte 1 the chunk size; the
// name follows, then the file's bytes.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "config/plugin_ref_filter.h"
#include "config/plugin_removal.h"
#include "reference_removal.h"

namespace {

constexpr std::size_t kMaxNameLength = 32;
constexpr std::size_t kMaxChunk = 17;
constexpr std::size_t kHeaderBytes = 2;
// Small, so lines cross block ends as well as chunk ends.
constexpr std::size_t kBlockSize = 64;
// In the order of PluginRefFilter::Outcome.
constexpr std::int32_t kOutcomeResults[] = {INSTALL_EDIT_DONE, INSTALL_EDIT_NOT_HOST_FILE,
                                            INSTALL_EDIT_BAD_SECOND_HEADER,
                                            INSTALL_EDIT_FILE_FAILED};

class StringSink : public install::config::ByteSink {
 public:
  bool Write(const char* data, std::size_t size) override {
    bytes.append(data, size);
    return true;
  }
  std::string bytes;
};

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "mismatch: %s\n", what);
  std::abort();
}

// Memory-backed when there is one: every run syncs a file to disk.
const std::string& WorkFile() {
  static const std::string file = [] {
    std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/plugin-removal-fuzz-XXXXXX"
                                                          : "/tmp/plugin-removal-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern + "/host.cfg";
  }();
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderBytes) return 0;
  const std::size_t name_length = data[0] % kMaxNameLength + 1;
  const std::size_t chunk = data[1] % kMaxChunk + 1;
  if (size < kHeaderBytes + name_length) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  // The name comes from a zero-terminated string.
  const std::string name(text + kHeaderBytes, strnlen(text + kHeaderBytes, name_length));
  if (name.empty()) return 0;
  const std::string content(text + kHeaderBytes + name_length, size - kHeaderBytes - name_length);
  const auto expected = install::testing::ReferenceRemoval(content, name);

  StringSink sink;
  install::config::PluginRefFilter filter(name, &sink, kBlockSize);
  for (std::size_t at = 0; at < content.size(); at += chunk) {
    if (!filter.Feed(content.data() + at, std::min(chunk, content.size() - at))) break;
  }
  const std::int32_t result = kOutcomeResults[static_cast<int>(filter.Finish())];
  Check(result == expected.result, "stream result");
  Check(result != INSTALL_EDIT_DONE || sink.bytes == expected.bytes, "stream bytes");

  std::ofstream(WorkFile(), std::ios::binary | std::ios::trunc) << content;
  Check(install::RemovePluginRefs(WorkFile().c_str(), name.c_str()) == expected.result,
        "file result");
  std::ostringstream after;
  after << std::ifstream(WorkFile(), std::ios::binary).rdbuf();
  Check(after.str() == (result == INSTALL_EDIT_DONE ? expected.bytes : content), "file bytes");
  Check(::access((WorkFile().substr(0, WorkFile().size() - 4) + ".TMP").c_str(), F_OK) != 0,
        "temporary left");
  return 0;
}
