// GoogleTest's Notification for the Windows builds: their -win32 runtime has
// no std::mutex, which GoogleTest's own Notification is built on.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace testing::internal {

class Notification {
 public:
  void Notify() { notified_ = true; }
  void WaitForNotification() {
    while (!notified_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal

#define GTEST_HAS_NOTIFICATION_ 1
