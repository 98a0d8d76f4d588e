// libFuzzer target: the streaming rewrite fed in chunks of a fuzzed size and
// written through small blocks, checked against the removal's rules written
// out the plain way, line by line over a whole string.
//
// Input: byte 0 picks the plug-in name's length, byte 1 the chunk size; the
// name follows, then the file's bytes.
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "rewrite_runner.h"

namespace {

constexpr std::size_t kMaxNameLength = 32;
constexpr std::size_t kMaxChunk = 17;
constexpr std::size_t kHeaderBytes = 2;
// Small, so lines cross block ends as well as chunk ends.
constexpr std::size_t kBlockSize = 64;

std::string Upper(std::string text) {
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return text;
}

// The result, and the rewritten bytes when it is INSTALL_EDIT_DONE.
std::pair<std::int32_t, std::string> ReferenceRemoval(const std::string& input,
                                                      const std::string& plugin) {
  std::istringstream lines(input.substr(0, input.find('\x1A')));
  std::string line, out;
  int line_number = 0;
  bool zkco = false;
  while (std::getline(lines, line)) {
    // A CR is part of the line end only where a line feed follows it.
    if (!lines.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t start = std::min(line.find_first_not_of(' '), line.size());
    const std::size_t end = std::min(line.find(' ', start), line.size());
    const std::string key = line.substr(start, end - start);
    const std::string rest = end < line.size() ? line.substr(end + 1) : "";
    ++line_number;
    if (line_number == 1 && key != "ZKCO" && key != "MDOP") return {INSTALL_EDIT_NOT_HOST_FILE, ""};
    if (line_number == 1) zkco = key == "ZKCO";
    if (line_number == 2 && zkco && key != "0") return {INSTALL_EDIT_BAD_SECOND_HEADER, ""};
    const bool body = line_number > (zkco ? 2 : 1);
    if (body && key == "Plugin" && !rest.empty() &&
        Upper(rest).find(Upper(plugin)) != std::string::npos) {
      continue;
    }
    out += key + " " + rest + "\r\n";
  }
  return {INSTALL_EDIT_DONE, out};
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
  const auto [result, bytes] = ReferenceRemoval(content, name);
  const auto stream = install::testing::RewriteInChunks(content, name, chunk, kBlockSize);
  // A mismatch is a crash, so libFuzzer keeps the input that shows it.
  if (stream.result != result || (result == INSTALL_EDIT_DONE && stream.bytes != bytes))
    std::abort();
  return 0;
}
