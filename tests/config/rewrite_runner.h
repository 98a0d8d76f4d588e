// The streaming rewrite as removal drives it, but fed in chunks of a chosen
// size and writing into a string.
#pragma once

#include <algorithm>
#include <string>

#include "config/plugin_ref_filter.h"
#include "install.h"

namespace install::testing {

struct StreamRewrite : config::ByteSink {
  std::int32_t result = INSTALL_EDIT_DONE;
  std::string bytes;
  int writes = 0;

  bool Write(const char* data, std::size_t size) override {
    bytes.append(data, size);
    ++writes;
    return true;
  }
};

inline StreamRewrite RewriteInChunks(const std::string& input, const std::string& plugin,
                                     std::size_t chunk, std::size_t block) {
  StreamRewrite rewrite;
  config::PluginRefFilter filter(plugin, &rewrite, block);
  for (std::size_t at = 0; at < input.size(); at += chunk)
    if (!filter.Feed(input.data() + at, std::min(chunk, input.size() - at))) break;
  // In the order of PluginRefFilter::Outcome.
  constexpr std::int32_t kResults[] = {INSTALL_EDIT_DONE, INSTALL_EDIT_NOT_HOST_FILE,
                                       INSTALL_EDIT_BAD_SECOND_HEADER, INSTALL_EDIT_FILE_FAILED,
                                       INSTALL_EDIT_FILE_FAILED};
  rewrite.result = kResults[static_cast<int>(filter.Finish())];
  return rewrite;
}

}  // namespace install::testing
