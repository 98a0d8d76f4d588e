#include "userinfo/request_user_info.h"

#include "framework/framework_services.h"
#include "framework/module_state.h"
#include "framework/win_app.h"
#include "framework/wnd.h"
#include "platform/call_notes.h"
#include "resource.h"
#include "userinfo/user_info_dlg.h"

namespace install::userinfo {
namespace {

// Asks until the user accepts with a user name or leaves.
// The log says what was written and how long it was, never the value.
void WriteSetting(CWinApp& app, const char* entry, const std::string& value) {
  const bool written = app.WriteProfileString(kApplicationSection, entry, value.c_str());
  if (platform::IsNoting()) {
    platform::NoteFact(std::string(entry) + (written ? " written, " : " not written, ") +
                       std::to_string(value.size()) + " bytes");
  }
}

bool AskUntilNamed(void* owner, CUserInfoDlg& dialog) {
  for (;;) {
    if (dialog.DoModal() != CDialog::IDOK) return false;
    // Emptiness is a length test only: blanks are a name, stored as typed.
    const bool refused = dialog.m_strUserName.empty();
    if (refused) {
      const std::string text =
          framework::LoadResourceString(IDS_MISSING_USER_NAME, kMissingUserNameText);
      const std::string caption =
          framework::LoadResourceString(IDS_MISSING_USER_NAME_CAPTION, kMissingUserNameCaption);
      framework::MessageBoxA(owner, text.c_str(), caption.c_str(), kMessageBoxOkNoIcon);
    }
    if (dialog.m_strCompanyName.empty()) dialog.m_strCompanyName = kNoCompanyName;
    if (!refused) return true;
  }
}

}  // namespace

std::int32_t RequestUserInfo(void* owner) {
  CWnd parent;
  parent.Attach(owner);
  CUserInfoDlg dialog(&parent);
  // Detached on every way out, before the dialog and the wrapper go, so that
  // the caller's window is left as it was.
  struct DetachOnExit {
    CWnd& wnd;
    ~DetachOnExit() { wnd.Detach(); }
  } detach{parent};
  if (!AskUntilNamed(owner, dialog)) return kUserLeft;

  // A failed write is not the user's doing and changes nothing they could
  // act on: the result still says that they accepted.
  CWinApp* app = AfxGetModuleState()->m_pCurrentWinApp;
  if (app != nullptr) {
    WriteSetting(*app, kUserNameEntry, dialog.m_strUserName);
    WriteSetting(*app, kCompanyNameEntry, dialog.m_strCompanyName);
  }
  return kUserAccepted;
}

}  // namespace install::userinfo
