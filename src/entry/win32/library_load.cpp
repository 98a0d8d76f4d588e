// Start-up and shut-down of the DLL. The C runtime has built the static
// objects (the application object among them) before the attach and
// destroys them after the detach.
#include <windows.h>

#include "app/install_app.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      ::DisableThreadLibraryCalls(instance);
      return install::app::StartLibrary(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      install::app::EndLibrary();
      return TRUE;
    default:
      return TRUE;
  }
}
