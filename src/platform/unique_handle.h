// The one owner of every system handle the library opens: a descriptor, a
// HANDLE, a registry key, a find handle, a DIR*. Each backend names its
// handle types in one line each (posix/handles.h, win32/handles.h), giving
// the value that means "none" and the call that closes one. A handle is
// owned from the line that opens it; nothing is closed by hand.
#pragma once

#include <utility>

namespace install::platform {

// Traits: `using Type`, `static Type Invalid()` and `static void Close(Type)`.
template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const { return handle_; }
  bool is_valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return is_valid(); }

  // Gives up ownership without closing.
  Type release() { return std::exchange(handle_, Traits::Invalid()); }
  // Closes what is owned (if anything) and owns `handle` instead.
  void reset(Type handle = Traits::Invalid()) {
    const Type old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // For a call that fills in a handle through a pointer: closes what is owned
  // first.
  Type* put() {
    reset();
    return &handle_;
  }

 private:
  Type handle_ = Traits::Invalid();
};

// Traits for a handle type whose "none" value and close call are constants.
template <typename T, T kInvalid, auto kClose>
struct HandleTraits {
  using Type = T;
  static constexpr T Invalid() { return kInvalid; }
  static void Close(T handle) { kClose(handle); }
};

}  // namespace install::platform
