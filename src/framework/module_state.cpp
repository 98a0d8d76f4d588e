#include "framework/module_state.h"

namespace {

// Null means "the host's context": the library never owns that one.
thread_local AFX_MODULE_STATE* t_current_state = nullptr;

AFX_MODULE_STATE* HostModuleState() {
  static AFX_MODULE_STATE host_state;
  return &host_state;
}

}  // namespace

AFX_MODULE_STATE* AfxGetModuleState() {
  return t_current_state != nullptr ? t_current_state : HostModuleState();
}

// A function-local static, so that it is built before the first object that
// registers with it (the application object) and destroyed after it.
AFX_MODULE_STATE* AfxGetStaticModuleState() {
  static AFX_MODULE_STATE library_state;
  return &library_state;
}

AFX_MAINTAIN_STATE::AFX_MAINTAIN_STATE(AFX_MODULE_STATE* state) : previous_(t_current_state) {
  t_current_state = state;
}

AFX_MAINTAIN_STATE::~AFX_MAINTAIN_STATE() { t_current_state = previous_; }
