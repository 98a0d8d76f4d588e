// A seam for tests that must see the library survive a failing disk or a
// refused allocation. Shipped code never arms it; the backends consult it
// before each operation that can fail in the field, and every
// FallibleBuffer before it allocates (kAllocate).
#pragma once

#include "platform/status.h"

namespace install::platform {

enum class FaultPoint {
  kRead,
  kWrite,
  kSync,
  kClose,
  kReplace,
  kAllocate,
  kCount,  // the points above: every backend has them, and each fails an edit
  // Steps only some backends have: one attempt to take the edit lock finds
  // it held, the first of two ways to rename is missing, a file's security
  // cannot be copied.
  kLockAttempt,
  kRenameFirstWay,
  kCopySecurity,
  kAllPoints,
};

// Makes the `nth` next operation at `point` fail with `error` (1 = the very
// next one). A failing write first writes half of its bytes, as a disk that
// fills up part-way through would.
void InjectFaultForTesting(FaultPoint point, Error error, int nth = 1);
void ClearFaultsForTesting();

// True when an injected fault fires now; `status` then holds its error.
bool TakeInjectedFault(FaultPoint point, Status* status);

// Runs the hook SetEditStepHookForTesting (edit.h) set, if any: each edit
// backend calls it between the steps of Begin.
void RunEditStepHook();

}  // namespace install::platform
