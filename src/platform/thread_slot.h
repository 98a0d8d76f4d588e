// The few pointers the library keeps per thread: the current module
// context, the current call's notes, a test's stand-ins. Each is null on a
// thread until set there.
//
// Per-thread storage is a host's resource: Windows gives a process about a
// thousand slots, shared by every module, and a host may load and free the
// library thousands of times. So the slots are taken when the library loads
// and given back when it unloads (thread_slot.cpp of each backend), never
// left behind as the compiler's own thread-local variables would leave them.
#pragma once

namespace install::platform {

enum class ThreadSlot { kModuleState, kCallNotes, kServicesForTesting, kCount };

void* GetThreadSlot(ThreadSlot slot) noexcept;
void SetThreadSlot(ThreadSlot slot, void* value) noexcept;

// Called by the load hook, which refuses the load when the system has no
// slot left, and by the unload hook. Code linked into a program rather than
// loaded as the library takes its slots at first use instead.
bool TakeThreadSlots() noexcept;
void GiveBackThreadSlots() noexcept;

}  // namespace install::platform
