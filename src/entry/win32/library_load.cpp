// Start-up and shut-down of the DLL. The C runtime has built the static
// objects (the application object among them) before the attach and
// destroys them after the detach. The thread slots are the host's: taken
// first, given back last, so that a host may load and free the library as
// often as it likes.
#include <windows.h>

#include "app/install_app.h"
#include "platform/thread_slot.h"

namespace {

// A refused attach is followed by a detach, which then has nothing to end.
bool g_started = false;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      ::DisableThreadLibraryCalls(instance);
      g_started = install::platform::TakeThreadSlots() && install::app::StartLibrary(instance);
      if (!g_started) install::platform::GiveBackThreadSlots();
      return g_started ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      if (g_started) install::app::EndLibrary();
      install::platform::GiveBackThreadSlots();
      g_started = false;
      return TRUE;
    default:
      return TRUE;
  }
}
