// The streaming rewrite as removal drives it, but fed in chunks of a chosen
// size and writing into a string.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "config/plugin_ref_filter.h"
#include "install.h"

namespace install::testing {

struct StreamRewrite {
  std::int32_t result;
  std::string bytes;
  int writes = 0;
};

inline StreamRewrite RewriteInChunks(const std::string& input, const std::string& plugin,
                                     std::size_t chunk, std::size_t block) {
  struct Sink : config::ByteSink {
    StreamRewrite* out;
    bool Write(const char* data, std::size_t size) override {
      out->bytes.append(data, size);
      ++out->writes;
      return true;
    }
  };
  StreamRewrite rewrite{};
  Sink sink;
  sink.out = &rewrite;
  config::PluginRefFilter filter(plugin, &sink, block);
  for (std::size_t at = 0; at < input.size(); at += chunk) {
    if (!filter.Feed(input.data() + at, std::min(chunk, input.size() - at))) break;
  }
  // In the order of PluginRefFilter::Outcome.
  constexpr std::int32_t kResults[] = {INSTALL_EDIT_DONE, INSTALL_EDIT_NOT_HOST_FILE,
                                       INSTALL_EDIT_BAD_SECOND_HEADER, INSTALL_EDIT_FILE_FAILED};
  rewrite.result = kResults[static_cast<int>(filter.Finish())];
  return rewrite;
}

}  // namespace install::testing
