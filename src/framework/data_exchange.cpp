#include "framework/data_exchange.h"

void CDataExchange::Fail() {
  if (!failed_ && m_idLastControl != 0) m_pDlgWnd->FocusItem(m_idLastControl);
  failed_ = true;
}

void DDX_Text(CDataExchange* pDX, int control_id, std::string& value) {
  if (pDX->failed()) return;
  pDX->m_idLastControl = control_id;
  if (pDX->m_bSaveAndValidate) {
    value = pDX->m_pDlgWnd->GetItemText(control_id);
  } else {
    pDX->m_pDlgWnd->SetItemText(control_id, value);
  }
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, std::size_t max_chars) {
  if (pDX->failed()) return;
  if (pDX->m_bSaveAndValidate) {
    // Counted as the control counted it while the user typed: a text the
    // control took is never refused here.
    if (pDX->m_pDlgWnd->CountItemText(value) > max_chars) pDX->Fail();
  } else if (pDX->m_idLastControl != 0) {
    pDX->m_pDlgWnd->LimitItemText(pDX->m_idLastControl, max_chars);
  }
}
