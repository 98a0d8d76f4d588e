#include "platform/thread_slot.h"

#include <windows.h>

#include <cstddef>

namespace install::platform {
namespace {

constexpr std::size_t kSlotCount = static_cast<std::size_t>(ThreadSlot::kCount);

// Each slot's TLS index plus one; 0 while the slot is not taken.
volatile LONG g_taken[kSlotCount];

std::size_t At(ThreadSlot slot) { return static_cast<std::size_t>(slot); }

bool Take(std::size_t at) {
  if (g_taken[at] != 0) return true;
  const DWORD index = ::TlsAlloc();
  if (index == TLS_OUT_OF_INDEXES) return false;
  // Two threads taking a slot at first use: the one that comes second gives
  // its index back.
  if (::InterlockedCompareExchange(&g_taken[at], static_cast<LONG>(index) + 1, 0) != 0) {
    ::TlsFree(index);
  }
  return true;
}

}  // namespace

// TlsGetValue clears the thread's last error; the host may still want it.
void* GetThreadSlot(ThreadSlot slot) noexcept {
  const LONG taken = g_taken[At(slot)];
  if (taken == 0) return nullptr;
  const DWORD last_error = ::GetLastError();
  void* value = ::TlsGetValue(static_cast<DWORD>(taken) - 1);
  ::SetLastError(last_error);
  return value;
}

void SetThreadSlot(ThreadSlot slot, void* value) noexcept {
  if (Take(At(slot))) ::TlsSetValue(static_cast<DWORD>(g_taken[At(slot)]) - 1, value);
}

bool TakeThreadSlots() noexcept {
  for (std::size_t at = 0; at < kSlotCount; ++at) {
    if (!Take(at)) {
      GiveBackThreadSlots();
      return false;
    }
  }
  return true;
}

void GiveBackThreadSlots() noexcept {
  for (volatile LONG& taken : g_taken) {
    const LONG index_plus_one = ::InterlockedExchange(&taken, 0);
    if (index_plus_one != 0) ::TlsFree(static_cast<DWORD>(index_plus_one) - 1);
  }
}

}  // namespace install::platform
