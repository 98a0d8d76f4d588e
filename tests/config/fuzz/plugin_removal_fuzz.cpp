// libFuzzer target: the streaming rewrite fed in chunks of a fuzzed size and
// written through small blocks, checked against the plain statement of the
// rules in reference_removal.h.
//
// Input: byte 0 picks the plug-in name's length, byte 1 the chunk size; the
// name follows, then the file's bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "reference_removal.h"
#include "rewrite_runner.h"

namespace {

constexpr std::size_t kMaxNameLength = 32;
constexpr std::size_t kMaxChunk = 17;
constexpr std::size_t kHeaderBytes = 2;
// Small, so lines cross block ends as well as chunk ends.
constexpr std::size_t kBlockSize = 64;

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "mismatch: %s\n", what);
  std::abort();
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

  const auto stream = install::testing::RewriteInChunks(content, name, chunk, kBlockSize);
  Check(stream.result == expected.result, "stream result");
  Check(stream.result != INSTALL_EDIT_DONE || stream.bytes == expected.bytes, "stream bytes");
  return 0;
}
