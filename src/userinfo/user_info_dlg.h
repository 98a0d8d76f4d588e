// The User Information dialog: a user name and a company name, at most
// kMaxChars characters each.
#pragma once

#include <cstddef>
#include <string>

#include "framework/dialog.h"

class CUserInfoDlg : public CDialog {
 public:
  static constexpr std::size_t kMaxChars = 20;

  explicit CUserInfoDlg(CWnd* parent);

  std::string m_strCompanyName;
  std::string m_strUserName;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
};
