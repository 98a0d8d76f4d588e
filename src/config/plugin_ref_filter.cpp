#include "config/plugin_ref_filter.h"

#include <cstring>

#include "config/host_text.h"

namespace install::config {
namespace {

// Text-mode reading ends the input at this byte, wherever it stands.
constexpr char kEndOfInput = '\x1A';
constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';

// Only a to z change: names and rests are 8-bit text in any code page.
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Only a carriage return that a line feed follows belongs to the line end; a
// last line without a line feed keeps its own.
std::string_view WithoutCarriageReturn(std::string_view line) {
  if (!line.empty() && line.back() == kCarriageReturn) line.remove_suffix(1);
  return line;
}

}  // namespace

PluginRefFilter::PluginRefFilter(std::string_view plugin_name, ByteSink* sink,
                                 std::size_t block_size)
    : sink_(sink), block_size_(block_size) {
  if (!upper_name_.Assign(plugin_name) || !block_.Resize(block_size)) {
    Stop(Outcome::kOutOfMemory);
    return;
  }
  for (std::size_t i = 0; i < upper_name_.size(); ++i) upper_name_[i] = AsciiUpper(upper_name_[i]);
}

bool PluginRefFilter::Feed(const char* data, std::size_t size) {
  if (stopped_ || input_ended_) return false;
  if (size == 0) return true;
  if (const void* end_mark = std::memchr(data, kEndOfInput, size)) {
    size = static_cast<std::size_t>(static_cast<const char*>(end_mark) - data);
    input_ended_ = true;
  }
  const char* next = data;
  const char* const end = data + size;
  // Bytes from here to `next` are lines that pass unchanged, not yet Put.
  const char* unchanged_from = next;
  while (const void* found = std::memchr(next, kLineFeed, static_cast<std::size_t>(end - next))) {
    const char* line_feed = static_cast<const char*>(found);
    if (!partial_line_.empty()) {
      if (!partial_line_.Append(next, static_cast<std::size_t>(line_feed - next))) {
        Stop(Outcome::kOutOfMemory);
        return false;
      }
      HandleLine(WithoutCarriageReturn(partial_line_.view()));
      partial_line_.clear();
    } else if (!PassesUnchanged(
                   std::string_view(next, static_cast<std::size_t>(line_feed - next)))) {
      Put(unchanged_from, static_cast<std::size_t>(next - unchanged_from));
      HandleLine(WithoutCarriageReturn(
          std::string_view(next, static_cast<std::size_t>(line_feed - next))));
    } else {
      next = line_feed + 1;
      continue;
    }
    if (stopped_) return false;
    next = unchanged_from = line_feed + 1;
  }
  Put(unchanged_from, static_cast<std::size_t>(next - unchanged_from));
  if (stopped_) return false;
  if (!partial_line_.Append(next, static_cast<std::size_t>(end - next))) {
    Stop(Outcome::kOutOfMemory);
    return false;
  }
  return !input_ended_;
}

PluginRefFilter::Outcome PluginRefFilter::Finish() {
  input_ended_ = true;
  // An end of input right after a line feed is no line: the file must not
  // grow a blank line on every rewrite.
  if (!stopped_ && !partial_line_.empty()) HandleLine(partial_line_.view());
  partial_line_.clear();
  if (!stopped_) Flush();
  stopped_ = true;
  return outcome_;
}

void PluginRefFilter::HandleLine(std::string_view line) {
  KeyRest parts = SplitKeyRest(line);
  switch (header_.Classify(parts.key)) {
    case LineRole::kNotHostFile:
      return Stop(Outcome::kNotHostFile);
    case LineRole::kBadSecondHeader:
      return Stop(Outcome::kBadSecondHeader);
    case LineRole::kBody:
      if (parts.key == kPluginKey && !parts.rest.empty() && NamesPlugin(parts.rest)) return;
      break;
    case LineRole::kHeader:
      break;
  }
  Put(parts.key.data(), parts.key.size());
  Put(&kKeySeparator, 1);
  Put(parts.rest.data(), parts.rest.size());
  Put(kHostLineEnd.data(), kHostLineEnd.size());
}

// Most body lines are written back exactly as they were read, CR LF
// included; runs of them are copied in one piece. Any other line goes
// through HandleLine.
bool PluginRefFilter::PassesUnchanged(std::string_view line_with_cr) {
  if (!header_.in_body() || line_with_cr.size() < 2 || line_with_cr.back() != kCarriageReturn ||
      line_with_cr.front() == kKeySeparator) {
    return false;
  }
  std::string_view line = line_with_cr.substr(0, line_with_cr.size() - 1);
  std::size_t key_end = line.find(kKeySeparator);
  if (key_end == std::string_view::npos) return false;  // gains a space
  std::string_view rest = line.substr(key_end + 1);
  return line.substr(0, key_end) != kPluginKey || rest.empty() || !NamesPlugin(rest);
}

// A rest there is not the memory to compare stops the rewrite.
bool PluginRefFilter::NamesPlugin(std::string_view rest) {
  if (!upper_rest_.Assign(rest)) {
    Stop(Outcome::kOutOfMemory);
    return false;
  }
  for (std::size_t i = 0; i < upper_rest_.size(); ++i) upper_rest_[i] = AsciiUpper(upper_rest_[i]);
  return upper_rest_.view().find(upper_name_.view()) != std::string_view::npos;
}

void PluginRefFilter::Put(const char* data, std::size_t size) {
  if (stopped_ || size == 0) return;
  if (size > block_size_ - block_used_) {
    Flush();
    if (stopped_) return;
    if (size >= block_size_) {
      // A line longer than a block goes straight through.
      if (!sink_->Write(data, size)) Stop(Outcome::kOutputFailed);
      return;
    }
  }
  std::memcpy(block_.data() + block_used_, data, size);
  block_used_ += size;
}

void PluginRefFilter::Flush() {
  if (block_used_ == 0) return;
  std::size_t size = block_used_;
  block_used_ = 0;
  if (!sink_->Write(block_.data(), size)) Stop(Outcome::kOutputFailed);
}

void PluginRefFilter::Stop(Outcome outcome) {
  outcome_ = outcome;
  stopped_ = true;
}

}  // namespace install::config
