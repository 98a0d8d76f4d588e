// The name of the temporary file a configuration file is rewritten into:
// beside it, with its extension replaced by ".TMP".
#pragma once

#include <string>
#include <string_view>

namespace install::config {

inline constexpr std::string_view kTemporaryExtension = ".TMP";

// Splits the path as _splitpath would (drive, directory up to the last "\"
// or "/", base name, extension from the last "." of the file name) and joins
// all but the extension with ".TMP", as _makepath would. Nothing is cut short.
std::string TemporaryPathFor(std::string_view path);

// True when the file's own extension is ".TMP" in any letter case: it would
// be its own temporary file on a file system that ignores case.
bool IsOwnTemporaryName(std::string_view path);

}  // namespace install::config
