// The library's dialog templates where the platform keeps no resources in
// the binary: the same dialogs as install.rc, as records.
#pragma once

#include "platform/dialog.h"
#include "platform/posix/resource_table.h"

namespace install::resources {

extern const platform::ResourceTable kLibraryResources;

}  // namespace install::resources
