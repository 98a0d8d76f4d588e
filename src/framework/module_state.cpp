#include "framework/module_state.h"

#include "platform/thread_slot.h"

namespace {

using install::platform::ThreadSlot;

// Null means "the host's context": the library never owns that one.
AFX_MODULE_STATE* CurrentState() {
  return static_cast<AFX_MODULE_STATE*>(install::platform::GetThreadSlot(ThreadSlot::kModuleState));
}

AFX_MODULE_STATE* HostModuleState() {
  static AFX_MODULE_STATE host_state;
  return &host_state;
}

}  // namespace

AFX_MODULE_STATE* AfxGetModuleState() {
  AFX_MODULE_STATE* current = CurrentState();
  return current != nullptr ? current : HostModuleState();
}

// A function-local static, so that it is built before the first object that
// registers with it (the application object) and destroyed after it.
AFX_MODULE_STATE* AfxGetStaticModuleState() {
  static AFX_MODULE_STATE library_state;
  return &library_state;
}

AFX_MAINTAIN_STATE::AFX_MAINTAIN_STATE(AFX_MODULE_STATE* state) : previous_(CurrentState()) {
  install::platform::SetThreadSlot(ThreadSlot::kModuleState, state);
}

AFX_MAINTAIN_STATE::~AFX_MAINTAIN_STATE() {
  install::platform::SetThreadSlot(ThreadSlot::kModuleState, previous_);
}
