// File steps the backends and the platform layer's shared files use among
// themselves (fs.cpp of each backend); nothing above platform/ includes this.
#pragma once

#include "platform/status.h"

namespace install::platform {

// Puts the file at `from` in the place of the one at `to` in one step: at
// every instant `to` names the complete old file or the complete new one.
// Both must be in the same directory.
Status ReplaceAtomically(const char* from, const char* to);
Status RemoveFile(const char* path);

}  // namespace install::platform
