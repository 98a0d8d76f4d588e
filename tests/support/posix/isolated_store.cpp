// Gives the whole test program a private, empty settings store, so that no
// test sees or touches the real one: XDG_CONFIG_HOME points into a fresh
// folder, made before the tests run and removed after them.
#include <cstdlib>

#include "support/test_files.h"

namespace {

const install::testing::TempFolder kStoreFolder;
const int kIsolatedStore = ::setenv("XDG_CONFIG_HOME", kStoreFolder.path().c_str(), 1);

}  // namespace
