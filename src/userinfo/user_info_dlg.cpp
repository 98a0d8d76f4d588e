#include "userinfo/user_info_dlg.h"

#include "resource.h"

CUserInfoDlg::CUserInfoDlg(CWnd* parent) : CDialog(IDD_USER_INFO, parent) {}

void CUserInfoDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_COMPANY_NAME, m_strCompanyName);
  DDV_MaxChars(pDX, m_strCompanyName, kMaxChars);
  DDX_Text(pDX, IDC_USER_NAME, m_strUserName);
  DDV_MaxChars(pDX, m_strUserName, kMaxChars);
}
