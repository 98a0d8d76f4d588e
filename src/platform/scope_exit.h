// Runs a cleanup when the scope ends, unless released first: the way a
// temporary file is removed on every failure path and kept on success.
#pragma once

#include <utility>

namespace install {

template <typename Cleanup>
class ScopeExit {
 public:
  explicit ScopeExit(Cleanup cleanup) : cleanup_(std::move(cleanup)) {}
  ~ScopeExit() {
    if (armed_) cleanup_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

  void Release() { armed_ = false; }

 private:
  Cleanup cleanup_;
  bool armed_ = true;
};

}  // namespace install
