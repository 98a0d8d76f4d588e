#include "platform/fallible_buffer.h"

#include <cstdlib>

#include "platform/fault_injection.h"

namespace install::platform {

void* TryReallocate(void* memory, std::size_t bytes) noexcept {
  Status planted;
  if (TakeInjectedFault(FaultPoint::kAllocate, &planted)) return nullptr;
  return std::realloc(memory, bytes);
}

void ReleaseMemory(void* memory) noexcept { std::free(memory); }

}  // namespace install::platform
