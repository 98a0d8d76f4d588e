#include "framework/win_app.h"

#include "framework/framework_services.h"
#include "framework/module_state.h"

namespace {
constexpr int kNormalExitCode = 0;
}  // namespace

// The object belongs to the module whose code constructs it: for the
// library, its own context, never the host's that happens to be current.
CWinApp::CWinApp(const char* app_name) : app_name_(app_name != nullptr ? app_name : "") {
  AfxGetStaticModuleState()->m_pCurrentWinApp = this;
}

CWinApp::~CWinApp() {
  AFX_MODULE_STATE* state = AfxGetStaticModuleState();
  if (state->m_pCurrentWinApp == this) state->m_pCurrentWinApp = nullptr;
}

bool CWinApp::InitInstance() { return true; }

int CWinApp::ExitInstance() { return kNormalExitCode; }

void CWinApp::SetDialogBkColor(std::uint32_t background, std::uint32_t text) {
  dialog_colors_ = {background, text};
  has_dialog_colors_ = true;
}

void CWinApp::SetRegistryKey(const char* company) {
  registry_key_ = company != nullptr ? company : "";
  profile_name_ = app_name_;
}

bool CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) {
  if (registry_key_.empty() || entry == nullptr || value == nullptr) return false;
  const install::platform::SettingsKey key{registry_key_.c_str(), profile_name_.c_str()};
  return install::framework::Services().WriteProfileString(key, section != nullptr ? section : "",
                                                           entry, value);
}
