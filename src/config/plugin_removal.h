// Plug-in reference removal: rewrites a host configuration file without the
// body "Plugin" lines that name a plug-in.
#pragma once

#include <cstdint>

namespace install {

// Returns an INSTALL_EDIT_* code. The file at `path` is replaced in one step
// by its rewritten copy, or left exactly as it was: a failed read, write,
// flush or replacement answers INSTALL_EDIT_FILE_FAILED and leaves no
// temporary file behind. Neither argument is modified; both must be non-null.
std::int32_t RemovePluginRefs(const char* path, const char* plugin_name);

}  // namespace install
