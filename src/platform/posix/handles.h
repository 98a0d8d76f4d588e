// The POSIX backend's handle owners, one line each (see unique_handle.h).
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdio>

#include "platform/unique_handle.h"

namespace install::platform {

// close() is not retried: the descriptor is released even when it reports an
// error, and a retry could close one another thread has just been given.
using UniqueFd = UniqueHandle<HandleTraits<int, -1, ::close>>;
using UniqueDir = UniqueHandle<HandleTraits<DIR*, nullptr, ::closedir>>;
using UniqueStream = UniqueHandle<HandleTraits<std::FILE*, nullptr, std::fclose>>;

}  // namespace install::platform
