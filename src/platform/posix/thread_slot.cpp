#include "platform/thread_slot.h"

#include <cstddef>

namespace install::platform {
namespace {

// The ELF loader gives a shared library's thread-local block back when the
// library is unloaded, so nothing here outlives it.
thread_local void* t_slots[static_cast<std::size_t>(ThreadSlot::kCount)];

}  // namespace

void* GetThreadSlot(ThreadSlot slot) noexcept { return t_slots[static_cast<std::size_t>(slot)]; }

void SetThreadSlot(ThreadSlot slot, void* value) noexcept {
  t_slots[static_cast<std::size_t>(slot)] = value;
}

bool TakeThreadSlots() noexcept { return true; }

void GiveBackThreadSlots() noexcept {}

}  // namespace install::platform
