#pragma once

namespace install::platform {

// True when the library runs under Wine rather than Windows, for the few
// system calls whose Wine versions behave differently enough to matter.
bool RunningUnderWine();

}  // namespace install::platform
