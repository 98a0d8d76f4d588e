// The rewrite at the heart of plug-in reference removal, as a stream: input
// arrives in chunks of any size, kept lines leave in large blocks. It knows
// nothing about files, so tests and the fuzzer drive it directly.
#pragma once

#include <cstddef>
#include <string_view>

#include "config/host_line.h"
#include "platform/fallible_buffer.h"

namespace install::config {

// Where the rewritten bytes go. Write takes all of them or reports failure.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const char* data, std::size_t size) = 0;
};

// Large enough that a block write costs little per byte, small enough that
// memory stays flat whatever the file's size.
inline constexpr std::size_t kRewriteBlockSize = std::size_t{1} << 20;

class PluginRefFilter {
 public:
  // kOutOfMemory: the name, the block or a line did not fit in the memory
  // left.
  enum class Outcome { kDone, kNotHostFile, kBadSecondHeader, kOutputFailed, kOutOfMemory };

  // `plugin_name` is copied; `sink` must outlive the filter.
  PluginRefFilter(std::string_view plugin_name, ByteSink* sink,
                  std::size_t block_size = kRewriteBlockSize);
  PluginRefFilter(const PluginRefFilter&) = delete;
  PluginRefFilter& operator=(const PluginRefFilter&) = delete;

  // Takes the next piece of input. Returns false once no more is wanted:
  // the input ended at a Ctrl-Z, the header check failed, the sink did, or
  // the memory ran out.
  bool Feed(const char* data, std::size_t size);

  // The input has ended: handles a last line without a line feed and hands
  // everything still held to the sink.
  Outcome Finish();

 private:
  bool PassesUnchanged(std::string_view line_with_cr);
  void HandleLine(std::string_view line);
  bool NamesPlugin(std::string_view rest);
  void Put(const char* data, std::size_t size);
  void Flush();
  void Stop(Outcome outcome);

  platform::TextBuffer upper_name_;
  ByteSink* sink_;
  HeaderCheck header_;
  Outcome outcome_ = Outcome::kDone;
  bool stopped_ = false;
  bool input_ended_ = false;
  // The start of a line that a chunk cut off; reused, so its capacity only
  // grows to the longest line.
  platform::TextBuffer partial_line_;
  platform::TextBuffer upper_rest_;
  platform::TextBuffer block_;
  std::size_t block_size_;
  std::size_t block_used_ = 0;
};

}  // namespace install::config
