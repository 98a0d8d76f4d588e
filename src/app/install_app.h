// The library's application object: it sets the look of the library's
// dialogs at load and gives the library its per-user settings key.
#pragma once

#include "framework/win_app.h"

class CInstallApp : public CWinApp {
 public:
  CInstallApp();

  bool InitInstance() override;
  int ExitInstance() override;
};

// Construction order at load: the application object first, then the load
// hook that starts it; destruction runs the other way. Lower runs earlier.
#define INSTALL_APP_OBJECT_INIT_PRIORITY 1000
#define INSTALL_LOAD_HOOK_INIT_PRIORITY 1001

namespace install::app {

constexpr char kApplicationName[] = "Installation";
constexpr char kCompanyKey[] = "Halvemark";

// The library's start-up and shut-down, called by the platform's load hook.
// `resources` is where the library's dialog templates are: the module
// handle on Windows, the compiled-in table elsewhere. A false start-up
// refuses the load.
bool StartLibrary(const void* resources);
void EndLibrary();

}  // namespace install::app
