#include "framework/dialog.h"

#include "framework/framework_services.h"
#include "framework/module_state.h"
#include "framework/win_app.h"

CDialog::CDialog(int template_id, CWnd* parent)
    : m_nIDTemplate(template_id), m_pParentWnd(parent) {}

int CDialog::DoModal() {
  // Whose template and colours: the module current for this call, which an
  // export has made the library's own.
  AFX_MODULE_STATE* state = AfxGetModuleState();
  const CWinApp* app = state->m_pCurrentWinApp;
  void* owner = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr;
  const int code = install::framework::Services().RunModalDialog(
      owner, state->m_hCurrentResourceHandle, m_nIDTemplate,
      app != nullptr ? app->dialog_colors() : nullptr, *this);
  window_ = nullptr;
  return code;
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;  // the dialog stays open
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::UpdateData(bool save_and_validate) {
  if (window_ == nullptr) return false;
  CDataExchange exchange(window_, save_and_validate);
  DoDataExchange(&exchange);
  return !exchange.failed();
}

void CDialog::EndDialog(int code) {
  if (window_ != nullptr) window_->EndDialog(code);
}

void CDialog::OnInitDialog(install::platform::DialogWindow& window) {
  window_ = &window;
  OnInitDialog();
}

void CDialog::OnOK(install::platform::DialogWindow& window) {
  window_ = &window;
  OnOK();
}

void CDialog::OnCancel(install::platform::DialogWindow& window) {
  window_ = &window;
  OnCancel();
}
