#include "config/plugin_ref_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "reference_removal.h"
#include "removal_cases.h"

namespace install::config {
namespace {

class StringSink : public ByteSink {
 public:
  bool Write(const char* data, std::size_t size) override {
    if (fail_after_ != std::string::npos && bytes.size() + size > fail_after_) return false;
    bytes.append(data, size);
    ++writes;
    return true;
  }
  void FailBeyond(std::size_t total) { fail_after_ = total; }
  std::string bytes;
  int writes = 0;

 private:
  std::size_t fail_after_ = std::string::npos;
};

std::int32_t ResultOf(PluginRefFilter::Outcome outcome) {
  switch (outcome) {
    case PluginRefFilter::Outcome::kDone:
      return INSTALL_EDIT_DONE;
    case PluginRefFilter::Outcome::kNotHostFile:
      return INSTALL_EDIT_NOT_HOST_FILE;
    case PluginRefFilter::Outcome::kBadSecondHeader:
      return INSTALL_EDIT_BAD_SECOND_HEADER;
    case PluginRefFilter::Outcome::kOutputFailed:
      break;
  }
  return INSTALL_EDIT_FILE_FAILED;
}

struct Rewrite {
  std::int32_t result;
  std::string bytes;
};

Rewrite RunInChunks(const std::string& input, const std::string& plugin, std::size_t chunk,
                    std::size_t block = kRewriteBlockSize) {
  StringSink sink;
  PluginRefFilter filter(plugin, &sink, block);
  for (std::size_t at = 0; at < input.size(); at += chunk) {
    if (!filter.Feed(input.data() + at, std::min(chunk, input.size() - at))) break;
  }
  std::int32_t result = ResultOf(filter.Finish());
  return {result, sink.bytes};
}

// Every case cut into chunks of several sizes, so lines split across chunk
// ends, and written through small blocks, so lines longer than a block pass.
TEST(PluginRefFilterTest, RewritesEachCaseWhateverTheChunkAndBlockSizes) {
  for (const auto& c : testing::RemovalCases()) {
    for (std::size_t chunk :
         {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{64}, std::size_t{1} << 20}) {
      for (std::size_t block : {std::size_t{16}, kRewriteBlockSize}) {
        SCOPED_TRACE(std::string(c.name) + " chunk " + std::to_string(chunk) + " block " +
                     std::to_string(block));
        Rewrite rewrite = RunInChunks(c.input, c.plugin, chunk, block);
        EXPECT_EQ(rewrite.result, c.result);
        if (c.result == INSTALL_EDIT_DONE) {
          EXPECT_EQ(rewrite.bytes, c.output);
        }
      }
    }
  }
}

TEST(PluginRefFilterTest, SecondRunChangesNothing) {
  for (const auto& c : testing::RemovalCases()) {
    if (c.result != INSTALL_EDIT_DONE) continue;
    SCOPED_TRACE(c.name);
    Rewrite once = RunInChunks(c.input, c.plugin, 5);
    Rewrite twice = RunInChunks(once.bytes, c.plugin, 5);
    EXPECT_EQ(twice.result, INSTALL_EDIT_DONE);
    EXPECT_EQ(twice.bytes, once.bytes);
  }
}

// The fuzzer trusts the plain statement of the rules; it must agree with
// the hand-written table first.
TEST(PluginRefFilterTest, ReferenceRulesAgreeWithTheTable) {
  for (const auto& c : testing::RemovalCases()) {
    SCOPED_TRACE(c.name);
    testing::ReferenceRewrite reference = testing::ReferenceRemoval(c.input, c.plugin);
    EXPECT_EQ(reference.result, c.result);
    if (c.result == INSTALL_EDIT_DONE) {
      EXPECT_EQ(reference.bytes, c.output);
    }
  }
}

TEST(PluginRefFilterTest, WritesInBlocksNotLines) {
  std::string input = "MDOP\n";
  for (int i = 0; i < 1000; ++i) input += "Key value " + std::to_string(i) + "\n";
  StringSink sink;
  PluginRefFilter filter("x", &sink, 4096);
  filter.Feed(input.data(), input.size());
  ASSERT_EQ(filter.Finish(), PluginRefFilter::Outcome::kDone);
  EXPECT_LE(sink.writes, static_cast<int>(sink.bytes.size() / 4096 + 1));
}

TEST(PluginRefFilterTest, FailingSinkStopsTheRewrite) {
  std::string input = "MDOP\n";
  for (int i = 0; i < 1000; ++i) input += "Key value\n";
  StringSink sink;
  sink.FailBeyond(100);
  PluginRefFilter filter("x", &sink, 64);
  bool wants_more = true;
  for (std::size_t at = 0; at < input.size() && wants_more; at += 10) {
    wants_more = filter.Feed(input.data() + at, 10);
  }
  EXPECT_FALSE(wants_more);
  EXPECT_EQ(filter.Finish(), PluginRefFilter::Outcome::kOutputFailed);
}

}  // namespace
}  // namespace install::config
