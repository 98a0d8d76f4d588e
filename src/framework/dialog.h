// A modal dialog built from a template in the current module's resources.
// The class moves its strings in and out through DoDataExchange; Enter ends
// it through OnOK, Esc through OnCancel.
#pragma once

#include "framework/data_exchange.h"
#include "framework/wnd.h"
#include "platform/dialog.h"

class CDialog : public CWnd, private install::platform::DialogEvents {
 public:
  static constexpr int IDOK = install::platform::kDialogOk;
  static constexpr int IDCANCEL = install::platform::kDialogCancel;

  CDialog(int template_id, CWnd* parent);

  // Shows the dialog over the parent's window until it ends; returns the end
  // code (IDOK, IDCANCEL), or -1 when it could not be created.
  virtual int DoModal();

 protected:
  virtual bool OnInitDialog();
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual void OnOK();
  virtual void OnCancel();

  // true: controls to strings, with validation; false: strings to controls.
  bool UpdateData(bool save_and_validate);
  void EndDialog(int code);

  const int m_nIDTemplate;
  CWnd* const m_pParentWnd;

 private:
  void OnInitDialog(install::platform::DialogWindow& window) override;
  void OnOK(install::platform::DialogWindow& window) override;
  void OnCancel(install::platform::DialogWindow& window) override;

  // The dialog on the screen, while DoModal runs.
  install::platform::DialogWindow* window_ = nullptr;
};
