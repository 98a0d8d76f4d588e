// libFuzzer target: the key/rest split, the streaming rewrite fed in chunks
// of a fuzzed size, and the whole removal on a real file, each checked
// against the plain statement of the rules in reference_removal.h.
//
// Input: byte 0 picks the plug-in name's length, byte 1 the chunk size; the
// name follows, then the file's bytes.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "config/host_line.h"
#include "config/plugin_ref_filter.h"
#include "config/plugin_removal.h"
#include "config/temp_path.h"
#include "reference_removal.h"

namespace {

constexpr std::size_t kMaxNameLength = 32;
constexpr std::size_t kHeaderBytes = 2;

class StringSink : public install::config::ByteSink {
 public:
  bool Write(const char* data, std::size_t size) override {
    bytes.append(data, size);
    return true;
  }
  std::string bytes;
};

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "mismatch: %s\n", what);
    std::abort();
  }
}

std::int32_t ResultOf(install::config::PluginRefFilter::Outcome outcome) {
  using Outcome = install::config::PluginRefFilter::Outcome;
  switch (outcome) {
    case Outcome::kDone:
      return INSTALL_EDIT_DONE;
    case Outcome::kNotHostFile:
      return INSTALL_EDIT_NOT_HOST_FILE;
    case Outcome::kBadSecondHeader:
      return INSTALL_EDIT_BAD_SECOND_HEADER;
    case Outcome::kOutputFailed:
      break;
  }
  return INSTALL_EDIT_FILE_FAILED;
}

void CheckSplit(const std::string& content) {
  std::string line = content.substr(0, content.find('\n'));
  install::config::KeyRest parts = install::config::SplitKeyRest(line);
  std::size_t i = line.find_first_not_of(' ');
  if (i == std::string::npos) {
    Check(parts.key.empty() && parts.rest.empty(), "blank line has a key");
    return;
  }
  std::size_t end = line.find(' ', i);
  std::string key = line.substr(i, end == std::string::npos ? std::string::npos : end - i);
  std::string rest = end == std::string::npos ? "" : line.substr(end + 1);
  Check(parts.key == key && parts.rest == rest, "key/rest split");
}

void CheckStream(const std::string& content, const std::string& name, std::size_t chunk,
                 const install::testing::ReferenceRewrite& expected) {
  StringSink sink;
  // A small block makes lines cross block ends as well as chunk ends.
  install::config::PluginRefFilter filter(name, &sink, 64);
  for (std::size_t at = 0; at < content.size(); at += chunk) {
    if (!filter.Feed(content.data() + at, std::min(chunk, content.size() - at))) break;
  }
  std::int32_t result = ResultOf(filter.Finish());
  Check(result == expected.result, "stream result");
  if (result == INSTALL_EDIT_DONE) Check(sink.bytes == expected.bytes, "stream bytes");
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string& WorkFolder() {
  static const std::string folder = [] {
    // Memory-backed when there is one: every run syncs a file to disk.
    std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/plugin-removal-fuzz-XXXXXX"
                                                          : "/tmp/plugin-removal-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern.data());
    if (made == nullptr) std::abort();
    return std::string(made);
  }();
  return folder;
}

void CheckFile(const std::string& content, const std::string& name,
               const install::testing::ReferenceRewrite& expected) {
  const std::string path = WorkFolder() + "/host.cfg";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }
  std::int32_t result = install::RemovePluginRefs(path.c_str(), name.c_str());
  Check(result == expected.result, "file result");
  const std::string after = ReadAll(path);
  Check(after == (result == INSTALL_EDIT_DONE ? expected.bytes : content), "file bytes");
  Check(::access(install::config::TemporaryPathFor(path).c_str(), F_OK) != 0, "temporary left");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderBytes) return 0;
  const std::size_t name_length = data[0] % kMaxNameLength + 1;
  const std::size_t chunk = data[1] % 17 + 1;
  if (size < kHeaderBytes + name_length) return 0;
  std::string name(reinterpret_cast<const char*>(data) + kHeaderBytes, name_length);
  // The name comes from a zero-terminated string.
  name.resize(name.find('\0') == std::string::npos ? name.size() : name.find('\0'));
  if (name.empty()) return 0;
  const std::string content(reinterpret_cast<const char*>(data) + kHeaderBytes + name_length,
                            size - kHeaderBytes - name_length);

  const install::testing::ReferenceRewrite expected =
      install::testing::ReferenceRemoval(content, name);
  CheckSplit(content);
  CheckStream(content, name, chunk, expected);
  CheckFile(content, name, expected);
  return 0;
}
