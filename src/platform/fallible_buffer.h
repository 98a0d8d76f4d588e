// Memory that may be refused. The library's allocations whose size the
// caller's text or a file decides (the request's copy, the line being
// assembled, the rewrite's blocks and longest line, the walk's levels) go
// through a FallibleBuffer, so that running out of memory there answers the
// export's failure value, with the log saying so. Every other allocation is
// small and fixed, and the process ends if one fails (see the README).
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>

namespace install::platform {

// What the log gives as the reason when a FallibleBuffer cannot grow.
inline constexpr const char* kOutOfMemory = "out of memory";

// realloc and free, save that a test may plant a failure
// (fault_injection.h, FaultPoint::kAllocate).
void* TryReallocate(void* memory, std::size_t bytes) noexcept;
void ReleaseMemory(void* memory) noexcept;

// A growable array of trivially copyable values, kept followed by one
// value-initialised element, so a text buffer is always zero-terminated.
// Every call that grows it answers false, changing nothing, when the memory
// cannot be had.
template <typename T>
class FallibleBuffer {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  FallibleBuffer() = default;
  FallibleBuffer(const FallibleBuffer&) = delete;
  FallibleBuffer& operator=(const FallibleBuffer&) = delete;
  ~FallibleBuffer() { ReleaseMemory(data_); }

  [[nodiscard]] bool Reserve(std::size_t capacity) noexcept {
    if (capacity <= capacity_) return true;
    if (capacity >= kMaxElements) return false;
    // Doubling keeps a run of appends cheap.
    const std::size_t doubled = capacity_ < kMaxElements / 2 ? capacity_ * 2 : capacity;
    return Grow(doubled > capacity ? doubled : capacity);
  }
  // New elements are value-initialised.
  [[nodiscard]] bool Resize(std::size_t size) noexcept {
    if (!Reserve(size)) return false;
    for (std::size_t i = size_; i < size; ++i) data_[i] = T{};
    SetSize(size);
    return true;
  }
  [[nodiscard]] bool Append(const T* values, std::size_t count) noexcept {
    if (count > kMaxElements - size_ || !Reserve(size_ + count)) return false;
    for (std::size_t i = 0; i < count; ++i) data_[size_ + i] = values[i];
    SetSize(size_ + count);
    return true;
  }
  [[nodiscard]] bool Append(std::basic_string_view<T> values) noexcept {
    return Append(values.data(), values.size());
  }
  [[nodiscard]] bool Assign(std::basic_string_view<T> values) noexcept {
    clear();
    return Append(values);
  }
  [[nodiscard]] bool PushBack(const T& value) noexcept { return Append(&value, 1); }
  void PopBack() noexcept { SetSize(size_ - 1); }
  // Keeps the first `size` elements; never allocates.
  void Truncate(std::size_t size) noexcept { SetSize(size < size_ ? size : size_); }
  // Keeps the memory for the next use.
  void clear() noexcept { SetSize(0); }

  T* data() noexcept { return data_ != nullptr ? data_ : &empty_; }
  const T* data() const noexcept { return data_ != nullptr ? data_ : &empty_; }
  const T* c_str() const noexcept { return data(); }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  T& back() noexcept { return data_[size_ - 1]; }
  T& operator[](std::size_t at) noexcept { return data_[at]; }
  std::basic_string_view<T> view() const noexcept { return {data(), size_}; }

 private:
  static constexpr std::size_t kMaxElements = (~std::size_t{0}) / sizeof(T) - 1;

  bool Grow(std::size_t capacity) noexcept {
    void* grown = TryReallocate(data_, (capacity + 1) * sizeof(T));
    if (grown == nullptr) return false;
    data_ = static_cast<T*>(grown);
    capacity_ = capacity;
    data_[size_] = T{};
    return true;
  }
  void SetSize(std::size_t size) noexcept {
    size_ = size;
    if (data_ != nullptr) data_[size_] = T{};
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;  // not counting the element after the last
  T empty_{};                 // what data() shows before the first allocation
};

using TextBuffer = FallibleBuffer<char>;
using WideBuffer = FallibleBuffer<wchar_t>;

}  // namespace install::platform
