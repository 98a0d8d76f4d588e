#include "platform/win32/wine.h"

#include <windows.h>

namespace install::platform {

bool RunningUnderWine() {
  HMODULE system = ::GetModuleHandleW(L"ntdll.dll");
  return system != nullptr && ::GetProcAddress(system, "wine_get_version") != nullptr;
}

}  // namespace install::platform
