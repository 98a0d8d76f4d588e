#include "app/install_app.h"

#include "framework/module_state.h"
#include "platform/status.h"

CInstallApp::CInstallApp() : CWinApp(install::app::kApplicationName) {}

bool CInstallApp::InitInstance() {
  SetDialogBkColor(kDefaultDialogBackground, kDefaultDialogText);
  SetRegistryKey(install::app::kCompanyKey);
  return true;
}

int CInstallApp::ExitInstance() { return CWinApp::ExitInstance(); }

// The one application object. It is built before the load hook runs and
// destroyed after the unload hook (see entry/*/library_load.cpp),
// whatever order the linker gives the files.
static CInstallApp theApp __attribute__((init_priority(INSTALL_APP_OBJECT_INIT_PRIORITY)));

namespace install::app {

bool StartLibrary(const void* resources) {
  AFX_MODULE_STATE* library = AfxGetStaticModuleState();
  library->m_hCurrentResourceHandle = const_cast<void*>(resources);
  AFX_MAINTAIN_STATE use_library_state(library);
  CWinApp* app = library->m_pCurrentWinApp;
  if (app == nullptr) return false;
  if (app->InitInstance()) return true;
  app->ExitInstance();
  return false;
}

void EndLibrary() {
  AFX_MODULE_STATE* library = AfxGetStaticModuleState();
  AFX_MAINTAIN_STATE use_library_state(library);
  if (library->m_pCurrentWinApp != nullptr) library->m_pCurrentWinApp->ExitInstance();
  library->m_hCurrentResourceHandle = nullptr;
}

}  // namespace install::app
