#include "platform/fault_injection.h"

#include <array>
#include <cstddef>

#include "platform/edit.h"

namespace install::platform {
namespace {

struct ArmedFault {
  int remaining = 0;  // 0: disarmed
  Error error = Error::kNone;
};

// Tests arm these on one thread; shipped code only ever reads "disarmed".
std::array<ArmedFault, static_cast<std::size_t>(FaultPoint::kAllPoints)> g_faults;

ArmedFault& FaultAt(FaultPoint point) { return g_faults[static_cast<std::size_t>(point)]; }

void (*g_edit_step_hook)() = nullptr;

}  // namespace

void SetEditStepHookForTesting(void (*hook)()) { g_edit_step_hook = hook; }

void RunEditStepHook() {
  if (g_edit_step_hook != nullptr) g_edit_step_hook();
}

void InjectFaultForTesting(FaultPoint point, Error error, int nth) {
  FaultAt(point) = ArmedFault{nth, error};
}

void ClearFaultsForTesting() { g_faults = {}; }

bool TakeInjectedFault(FaultPoint point, Status* status) {
  ArmedFault& fault = FaultAt(point);
  if (fault.remaining == 0 || --fault.remaining != 0) return false;
  *status = Status{fault.error, 0};
  return true;
}

}  // namespace install::platform
