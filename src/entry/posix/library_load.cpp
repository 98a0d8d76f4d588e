// Start-up and shut-down of the shared library on POSIX. A static object of
// its own, constructed after the application object and so destroyed before
// it: the application's shut-down runs while the object is still whole.
#include "app/install_app.h"
#include "platform/thread_slot.h"
#include "posix_resources.h"

namespace {

struct LibraryLifetime {
  // A shared library cannot refuse to load here; on POSIX neither step can
  // fail anyway.
  LibraryLifetime() {
    install::platform::TakeThreadSlots();
    install::app::StartLibrary(&install::resources::kLibraryResources);
  }
  ~LibraryLifetime() {
    install::app::EndLibrary();
    install::platform::GiveBackThreadSlots();
  }
};

LibraryLifetime library_lifetime __attribute__((init_priority(INSTALL_LOAD_HOOK_INIT_PRIORITY)));

}  // namespace
